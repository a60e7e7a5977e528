#pragma once

#include <QImage>
#include <QString>

#include <optional>

// A contact's picture file. Picture paths reach the server in records from its clients, so only a regular
// file below MaxBytes is ever read: a device or a pipe would hang the window that shows it, and a huge file
// would exhaust memory.
namespace ContactPicture {

inline constexpr qint64 MaxBytes = 20 * 1024 * 1024;

// The picture, or a null image when the path is empty, names no regular file of at most MaxBytes, or holds
// no picture Qt can read.
QImage load(const QString& path);

// Why a chosen picture path cannot be kept, or nothing: ";" and "|" would split the contact's record where
// it travels, and '"' the quoted data files.
std::optional<QString> pathRefusal(const QString& path);

// The file dialog's filter: the picture formats this program can read, then every file.
QString fileFilter();

} // namespace ContactPicture
