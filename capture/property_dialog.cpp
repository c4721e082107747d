// The device dialogs: a property sheet built from an element's GObject properties, and the choice of a
// capture mode from the device's list.
#include "capture/capture_graph.h"
#include "capture/capture_messages.h"
#include "capture/video_capture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace quelm {

void TVideoCapture::ShowPropertyDialog(GstElement* element, const QString& title) {
    if (!element)
        return;
    QDialog dialog(this);
    dialog.setWindowTitle(title);
    dialog.move(30, 30);
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    std::vector<std::function<void()>> apply;
    GObject* object = G_OBJECT(element);
    guint n = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(object), &n);
    for (guint i = 0; i < n; ++i) {
        GParamSpec* pspec = specs[i];
        if (!(pspec->flags & G_PARAM_READABLE) || !(pspec->flags & G_PARAM_WRITABLE) ||
            (pspec->flags & G_PARAM_CONSTRUCT_ONLY) || std::strcmp(pspec->name, "name") == 0 ||
            std::strcmp(pspec->name, "parent") == 0)
            continue;
        const QString label = QString::fromUtf8(g_param_spec_get_nick(pspec));
        const char* name = pspec->name;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, pspec->value_type);
        g_object_get_property(object, name, &value);
        const GType type = G_PARAM_SPEC_VALUE_TYPE(pspec);
        if (type == G_TYPE_BOOLEAN) {
            auto* box = new QCheckBox(&dialog);
            box->setChecked(g_value_get_boolean(&value));
            form->addRow(label, box);
            apply.push_back([=] { g_object_set(object, name, box->isChecked() ? TRUE : FALSE, nullptr); });
        } else if (G_IS_PARAM_SPEC_INT(pspec)) {
            auto* p = G_PARAM_SPEC_INT(pspec);
            auto* box = new QSpinBox(&dialog);
            box->setRange(p->minimum, p->maximum);
            box->setValue(g_value_get_int(&value));
            form->addRow(label, box);
            apply.push_back([=] { g_object_set(object, name, box->value(), nullptr); });
        } else if (G_IS_PARAM_SPEC_UINT(pspec)) {
            auto* p = G_PARAM_SPEC_UINT(pspec);
            auto* box = new QDoubleSpinBox(&dialog);
            box->setDecimals(0);
            box->setRange(p->minimum, p->maximum);
            box->setValue(g_value_get_uint(&value));
            form->addRow(label, box);
            apply.push_back([=] { g_object_set(object, name, static_cast<guint>(box->value()), nullptr); });
        } else if (G_IS_PARAM_SPEC_DOUBLE(pspec) || G_IS_PARAM_SPEC_FLOAT(pspec)) {
            const bool isDouble = G_IS_PARAM_SPEC_DOUBLE(pspec);
            auto* box = new QDoubleSpinBox(&dialog);
            box->setDecimals(3);
            if (isDouble)
                box->setRange(G_PARAM_SPEC_DOUBLE(pspec)->minimum, G_PARAM_SPEC_DOUBLE(pspec)->maximum);
            else
                box->setRange(G_PARAM_SPEC_FLOAT(pspec)->minimum, G_PARAM_SPEC_FLOAT(pspec)->maximum);
            box->setValue(isDouble ? g_value_get_double(&value) : g_value_get_float(&value));
            form->addRow(label, box);
            apply.push_back([=] {
                if (isDouble)
                    g_object_set(object, name, box->value(), nullptr);
                else
                    g_object_set(object, name, static_cast<gfloat>(box->value()), nullptr);
            });
        } else if (G_IS_PARAM_SPEC_ENUM(pspec)) {
            auto* klass = G_PARAM_SPEC_ENUM(pspec)->enum_class;
            auto* box = new QComboBox(&dialog);
            const int current = g_value_get_enum(&value);
            for (guint k = 0; k < klass->n_values; ++k) {
                box->addItem(QString::fromUtf8(klass->values[k].value_nick), klass->values[k].value);
                if (klass->values[k].value == current)
                    box->setCurrentIndex(static_cast<int>(k));
            }
            form->addRow(label, box);
            apply.push_back([=] { g_object_set(object, name, box->currentData().toInt(), nullptr); });
        } else if (type == G_TYPE_STRING) {
            auto* edit = new QLineEdit(QString::fromUtf8(g_value_get_string(&value)), &dialog);
            form->addRow(label, edit);
            apply.push_back([=] { g_object_set(object, name, edit->text().toUtf8().constData(), nullptr); });
        }
        g_value_unset(&value);
    }
    g_free(specs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (RunCaptureDialog(dialog) == QDialog::Accepted)
        for (const auto& fn : apply)
            fn();
}

bool TVideoCapture::ShowModeDialog(bool video) {
    QDialog dialog(this);
    dialog.setWindowTitle(video ? "Video Capture Pin" : "Audio Capture Pin");
    dialog.move(30, 30);
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QComboBox(&dialog);
    layout->addWidget(list);
    const int count = video ? VCapModeCount() : ACapModeCount();
    for (int i = 0; i < count; ++i)
        list->addItem(video ? VCapModeToString(GetVCapModeByIndex(i))
                            : ACapModeToString(GetACapModeByIndex(i)));
    list->setCurrentIndex(video ? VCapModeIdx() : ACapModeIdx());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (RunCaptureDialog(dialog) != QDialog::Accepted || list->currentIndex() < 0)
        return false;
    return video ? SetVCapMode(list->currentIndex()) : SetACapMode(list->currentIndex());
}

} // namespace quelm
