// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "support/smalldisk.h"

#include <QFile>

#include <algorithm>

#include <sys/mount.h>

namespace abgleich::test {

SmallDisk::SmallDisk(qint64 bytes, const QString& at) : path_(at.isEmpty() ? dir_.path() : at) {
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    mounted_ = !path_.isEmpty() && ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs",
                                           0, options.constData()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_)
        ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
}

void SmallDisk::fill(qint64 spare) {
    QFile filler(path_ + QStringLiteral("/.filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    // The last partial block may still have gone in; a single byte more must not.
    while (filler.write("x", 1) == 1 && filler.flush()) {
    }
    filler.close();
    if (spare > 0)
        filler.resize(std::max<qint64>(0, filler.size() - spare));
}

bool SmallDisk::setReadOnly(bool readOnly) {
    const QByteArray target = QFile::encodeName(path_);
    return ::mount("tmpfs", target.constData(), "tmpfs", MS_REMOUNT | (readOnly ? MS_RDONLY : 0),
                   nullptr) == 0;
}

} // namespace abgleich::test
