// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/inifile.h"
#include "ui/windowplacement.h"

#include <QString>
#include <QWidget>

#include <functional>

#include <span>

namespace abgleich {

// The main window's settings file: window placement, 69 stored control properties and the
// widths of the first three table columns, in the section "FoAbgleich".
class FormStorage {
public:
    static inline const QString kSection = QStringLiteral("FoAbgleich");
    static inline const QString kDefaultColumnWidths = QStringLiteral("40,120,60,");

    enum class Kind { Visible, Top, Left, Caption, Text, Width };
    struct Property {
        const char* control;
        const char* name;
        Kind kind;
    };
    // The stored properties, in the order a save writes them.
    static std::span<const Property> properties();

    // What the window itself does for its stored values: the widths of the first table
    // columns ("w1,w2,w3,") and the width of a panel beside a splitter.
    struct Callbacks {
        std::function<QString()> columnWidths;
        std::function<void(const QString& widths)> restoreColumnWidths;
        std::function<void(QWidget* panel, int width)> setPanelWidth;
    };

    // The stored controls are found below `window` by their object names.
    FormStorage(QWidget& window, const QString& path, Callbacks callbacks);

    IniFile& file() { return file_; }

    // Applies the stored values once, when the window is first shown; raises the conversion
    // error of a bad column width after everything else was applied. Returns whether a
    // stored placement was applied (the window then does not centre itself).
    bool restore();
    // Writes every value, when the window closes.
    void save();
    bool saved() const { return saved_; }
    // Whether restore() applied a stored placement.
    bool placed() const { return placed_; }

    // "w1,w2,w3," with each width rounded to a whole number, halves to the even one.
    static QString columnWidthsText(std::span<const double> widths);

private:
    std::optional<QString> stored(const QString& key) const;
    void restorePlacement();
    void restoreProperty(const Property& property, const QString& value);
    QString propertyValue(const Property& property) const;
    void restoreColumnWidths();

    QWidget& window_;
    Callbacks callbacks_;
    IniFile file_;
    WindowPlacement kept_; // flags and positions of an applied placement, written back
    bool placed_ = false;
    bool saved_ = false;
};

} // namespace abgleich
