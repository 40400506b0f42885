// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace abgleich::test {

// A small file system of its own (tmpfs) for as long as the object lives, to see what the
// tool does when the disk is full or read-only. Mounting needs an administrator (CI runs
// the tests as one); elsewhere mounted() is false and the test is skipped.
class SmallDisk {
public:
    // Mounted on a directory of its own, or over an existing directory (what was in it is
    // hidden until the disk goes).
    explicit SmallDisk(qint64 bytes, const QString& at = QString());
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return path_; }
    // Fills it up with one file until not a byte more goes in, then frees `spare` bytes of
    // it again, so that a write can begin and then break off.
    void fill(qint64 spare = 0);
    // Makes it read-only / writable again.
    bool setReadOnly(bool readOnly);

private:
    QTemporaryDir dir_;
    QString path_;
    bool mounted_ = false;
};

} // namespace abgleich::test
