#include "alert/snapshot.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

namespace quelm {

QString RecordStem(int camera, const QDateTime& at) {
    const QDateTime local = at.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::asprintf("Warning_cam%d_%04d.%02d.%02d_%02d%02d%02d", camera, d.year(), d.month(),
                             d.day(), t.hour(), t.minute(), t.second());
}

QString RecordPath(const QString& folder, const QString& stem, const QString& extension) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + stem + extension;
    return folder + QLatin1Char('/') + stem + extension;
}

namespace {

// libjpeg reports errors through error_exit, which must not return. It jumps back to the setjmp in
// Compress(); no C++ object with a destructor lives between that point and the library's frames.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr, int) {} // warnings and traces are not shown

// Compressed bytes go into a growing QByteArray.
struct Destination {
    jpeg_destination_mgr pub;
    QByteArray* out;
};

constexpr qsizetype kFirstChunk = 64 * 1024;

extern "C" void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data());
    dest->pub.free_in_buffer = static_cast<size_t>(dest->out->size());
}

extern "C" boolean GrowDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const qsizetype used = dest->out->size(); // the whole buffer is full when this is called
    bool grown = true;
    try {
        dest->out->resize(used * 2);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 99); // jumps out; nothing above needs unwinding
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data() + used);
    dest->pub.free_in_buffer = static_cast<size_t>(dest->out->size() - used);
    return TRUE;
}

extern "C" void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->out->truncate(dest->out->size() - static_cast<qsizetype>(dest->pub.free_in_buffer));
}

// Runs the encoder over rows that are already in `colorSpace`. Returns false with `message` filled on
// a library error. `out` holds a first chunk of space on entry.
bool Compress(const QImage& image, J_COLOR_SPACE colorSpace, int components, int quality, QByteArray& out,
              char (&message)[JMSG_LENGTH_MAX]) {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    Destination dest;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.emit_message = OnJpegMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, sizeof message, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = GrowDestination;
    dest.pub.term_destination = TermDestination;
    dest.out = &out;
    cinfo.dest = &dest.pub;

    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = components;
    cinfo.in_color_space = colorSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE); // TRUE: tables limited to 8 bits, as baseline requires
    jpeg_start_compress(&cinfo, TRUE);
    const uchar* bits = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bits + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

QString ErrnoText(int code) {
    return qt_error_string(code);
}

QString Failure(const QString& path, const QString& cause) {
    return QStringLiteral("Cannot save the snapshot %1: %2.").arg(path, cause);
}

bool WriteAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) { // no progress: treat like a full disk
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Opens a new file beside `path` under a hidden name that no record listing matches.
int CreateTemporary(const QString& path, QByteArray& tempName) {
    const QFileInfo info(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name =
            info.absolutePath() + QStringLiteral("/.") + info.fileName() +
            QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        tempName = QFile::encodeName(name);
        const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

QString CreateFailure(const QString& path, int code) {
    const QString folder = QFileInfo(path).absolutePath();
    if (code == ENOENT)
        return Failure(path, QStringLiteral("the folder %1 does not exist").arg(folder));
    if (code == ENOTDIR)
        return Failure(path, QStringLiteral("%1 is not a folder").arg(folder));
    return Failure(path, QStringLiteral("cannot create a file in %1 (%2)").arg(folder, ErrnoText(code)));
}

void SyncFolder(const QString& path) {
    // Makes the rename itself survive a crash; a folder that cannot be synced does not undo the write.
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool EncodeJpeg(const QImage& picture, int quality, QByteArray& jpeg, QString& error) {
    if (picture.isNull()) {
        error = QStringLiteral("no picture");
        return false;
    }
    QImage image = picture;
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    switch (picture.format()) {
    case QImage::Format_BGR888:
        space = JCS_EXT_BGR;
        break;
    case QImage::Format_RGB888:
        space = JCS_RGB;
        break;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    case QImage::Format_RGB32: // 0xffRRGGBB words: bytes B, G, R, x
        space = JCS_EXT_BGRX;
        components = 4;
        break;
#endif
    default:
        image = picture.convertToFormat(QImage::Format_RGB888);
        if (image.isNull()) {
            error = QStringLiteral("the picture cannot be converted to 24-bit colour");
            return false;
        }
        break;
    }
    char message[JMSG_LENGTH_MAX];
    QByteArray out;
    try {
        out.resize(kFirstChunk);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("out of memory");
        return false;
    }
    if (!Compress(image, space, components, std::clamp(quality, 1, 100), out, message)) {
        error = QString::fromLocal8Bit(message);
        return false;
    }
    jpeg = std::move(out);
    return true;
}

SnapshotResult WriteSnapshot(const QImage& picture, const QString& path, int quality) {
    StagedSnapshot staged;
    const SnapshotResult result = StageSnapshot(picture, path, staged, quality);
    if (!result.Written())
        return result;
    return CommitSnapshot(std::move(staged));
}

StagedSnapshot::StagedSnapshot(StagedSnapshot&& other) noexcept
    : FFile(std::exchange(other.FFile, -1))
    , FTempName(std::move(other.FTempName))
    , FPath(std::move(other.FPath)) {}

StagedSnapshot& StagedSnapshot::operator=(StagedSnapshot&& other) noexcept {
    if (this != &other) {
        Discard();
        FFile = std::exchange(other.FFile, -1);
        FTempName = std::move(other.FTempName);
        FPath = std::move(other.FPath);
    }
    return *this;
}

StagedSnapshot::~StagedSnapshot() {
    Discard();
}

void StagedSnapshot::Discard() {
    if (FFile < 0)
        return;
    ::close(FFile);
    ::unlink(FTempName.constData());
    FFile = -1;
}

SnapshotResult StageSnapshot(const QImage& picture, const QString& path, StagedSnapshot& staged,
                             int quality) {
    staged = StagedSnapshot();
    SnapshotResult result;
    result.path = path;
    if (picture.isNull()) {
        result.status = SnapshotResult::Status::NoPicture;
        result.reason = QStringLiteral("No snapshot %1: no picture has been shown yet.").arg(path);
        return result;
    }
    QByteArray jpeg;
    QString encodeError;
    if (!EncodeJpeg(picture, quality, jpeg, encodeError)) {
        result.reason = Failure(path, QStringLiteral("the JPEG encoder failed (%1)").arg(encodeError));
        return result;
    }

    QByteArray tempName;
    const int fd = CreateTemporary(path, tempName);
    if (fd < 0) {
        result.reason = CreateFailure(path, errno);
        return result;
    }
    if (!WriteAll(fd, jpeg.constData(), jpeg.size())) {
        const int code = errno;
        ::close(fd);
        ::unlink(tempName.constData());
        result.reason = Failure(path, ErrnoText(code));
        return result;
    }
    staged.FFile = fd;
    staged.FTempName = std::move(tempName);
    staged.FPath = path;
    result.status = SnapshotResult::Status::Written;
    return result;
}

SnapshotResult CommitSnapshot(StagedSnapshot&& staged) {
    StagedSnapshot own(std::move(staged));
    SnapshotResult result;
    result.path = own.FPath;
    if (!own.IsStaged()) {
        result.reason = Failure(own.FPath, QStringLiteral("nothing was staged"));
        return result;
    }
    const auto fail = [&](const QString& cause) {
        ::unlink(own.FTempName.constData());
        result.reason = Failure(own.FPath, cause);
        return result;
    };
    const int fd = std::exchange(own.FFile, -1);
    if (::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return fail(ErrnoText(code));
    }
    if (::close(fd) != 0)
        return fail(ErrnoText(errno));
    if (::rename(own.FTempName.constData(), QFile::encodeName(own.FPath).constData()) != 0) {
        const int code = errno;
        if (code == EISDIR)
            return fail(QStringLiteral("a folder of that name is in the way"));
        return fail(ErrnoText(code));
    }
    SyncFolder(own.FPath);
    result.status = SnapshotResult::Status::Written;
    return result;
}

} // namespace quelm
