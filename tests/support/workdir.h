// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace abgleich::test {

// A fresh, empty working directory for as long as the object lives: the window keeps its
// files in "config" below the directory it was started in.
class TemporaryWorkingDirectory {
public:
    TemporaryWorkingDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TemporaryWorkingDirectory() { QDir::setCurrent(previous_); }
    TemporaryWorkingDirectory(const TemporaryWorkingDirectory&) = delete;
    TemporaryWorkingDirectory& operator=(const TemporaryWorkingDirectory&) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

} // namespace abgleich::test
