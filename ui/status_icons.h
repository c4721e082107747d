#pragma once
// The three 16 x 16 pictures of the notification-area icon, drawn at run time: 1 no camera watched,
// 2 a camera watched, 3 an alert started.
#include <QIcon>
#include <QImage>
#include <QString>

namespace quelm {

inline constexpr int kStatusIconSize = 16;

// The picture of status n (1, 2 or 3); a null image for any other number.
QImage StatusIconImage(int n);

// The icon of a resource name "STATUS1".."STATUS3", matched without regard to case; a null icon for any
// other name.
QIcon StatusIcon(const QString& resourceName);

} // namespace quelm
