// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/formstorage.h"

#include "core/errors.h"
#include "core/fields.h"
#include "core/numbers.h"
#include "ui/anchoredpanel.h"
#include "ui/windowlayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <cmath>

namespace abgleich {

namespace {

using K = FormStorage::Kind;

constexpr FormStorage::Property kProperties[] = {
    {"Btn_T", "Visible", K::Visible},
    {"Btn_Z", "Visible", K::Visible},
    {"Btn_ResetTab", "Visible", K::Visible},
    {"Btn_Abgleichsenden", "Visible", K::Visible},
    {"Btn_Abgleichabfrage", "Visible", K::Visible},
    {"Btn_Import", "Visible", K::Visible},
    {"Btn_EA", "Visible", K::Visible},
    {"Btn_ComputeMS", "Visible", K::Visible},
    {"Btn_computeAll", "Visible", K::Visible},
    {"Btn_Clear", "Visible", K::Visible},
    {"Btn_A", "Visible", K::Visible},
    {"Btn_A", "Top", K::Top},
    {"Btn_Clear", "Top", K::Top},
    {"Btn_computeAll", "Top", K::Top},
    {"Btn_ComputeMS", "Top", K::Top},
    {"Btn_EA", "Top", K::Top},
    {"Btn_Import", "Top", K::Top},
    {"Btn_Abgleichabfrage", "Top", K::Top},
    {"Btn_ResetTab", "Top", K::Top},
    {"Btn_T", "Top", K::Top},
    {"Btn_Z", "Top", K::Top},
    {"Btn_Connect", "Top", K::Top},
    {"Btn_SendData", "Top", K::Top},
    {"Btn_A", "Left", K::Left},
    {"Btn_Clear", "Left", K::Left},
    {"Btn_computeAll", "Left", K::Left},
    {"Btn_ComputeMS", "Left", K::Left},
    {"Btn_Connect", "Left", K::Left},
    {"Btn_Import", "Left", K::Left},
    {"Btn_Abgleichabfrage", "Left", K::Left},
    {"Btn_Abgleichsenden", "Left", K::Left},
    {"Btn_ResetTab", "Left", K::Left},
    {"Btn_SendData", "Left", K::Left},
    {"Btn_T", "Left", K::Left},
    {"BTN_Test", "Left", K::Left},
    {"Btn_Z", "Left", K::Left},
    {"ED_AnzMS", "Left", K::Left},
    {"ED_GeraeteID", "Left", K::Left},
    {"Ed_Geraetetyp", "Left", K::Left},
    {"ED_IP", "Left", K::Left},
    {"Ed_Lastkalidate", "Left", K::Left},
    {"ED_LastKaliTime", "Left", K::Left},
    {"Ed_MS", "Left", K::Left},
    {"Ed_SPSVersion", "Left", K::Left},
    {"edtDataToSend", "Left", K::Left},
    {"Btn_A", "Caption", K::Caption},
    {"Btn_Clear", "Caption", K::Caption},
    {"Btn_computeAll", "Caption", K::Caption},
    {"Btn_ComputeMS", "Caption", K::Caption},
    {"Btn_Connect", "Caption", K::Caption},
    {"Btn_EA", "Caption", K::Caption},
    {"Btn_Import", "Caption", K::Caption},
    {"Btn_Abgleichabfrage", "Caption", K::Caption},
    {"Btn_Abgleichsenden", "Caption", K::Caption},
    {"Btn_ResetTab", "Caption", K::Caption},
    {"Btn_SendData", "Caption", K::Caption},
    {"Btn_T", "Caption", K::Caption},
    {"BTN_Test", "Caption", K::Caption},
    {"Btn_Z", "Caption", K::Caption},
    {"Btn_Z", "CommandLinkHint", K::Text},
    {"Label1", "Caption", K::Caption},
    {"Label2", "Caption", K::Caption},
    {"Label3", "Caption", K::Caption},
    {"Label4", "Caption", K::Caption},
    {"Label5", "Caption", K::Caption},
    {"Label6", "Caption", K::Caption},
    {"Label7", "Caption", K::Caption},
    {"ED_IP", "Text", K::Text},
    {"Gridpanel", "Width", K::Width},
};
static_assert(std::size(kProperties) == 69);

const char* const kCommandLinkHint = "CommandLinkHint";

QString keyOf(const FormStorage::Property& p) {
    return QLatin1String(p.control) + u'_' + QLatin1String(p.name);
}

// TRUE, YES, Y, JA and FALSE, NO, N, NEIN in any letter case, else a whole number (not 0 is
// true, empty is false); anything else reads as nothing.
std::optional<bool> readBool(const QString& value) {
    const QString upper = value.toUpper();
    for (const char* yes : {"TRUE", "YES", "Y", "JA"})
        if (upper == QLatin1String(yes))
            return true;
    for (const char* no : {"FALSE", "NO", "N", "NEIN"})
        if (upper == QLatin1String(no))
            return false;
    if (value.isEmpty())
        return false;
    if (const auto number = tryStrToInt(value))
        return *number != 0;
    return std::nullopt;
}

// A whole number; empty is 0, anything else reads as nothing.
std::optional<int> readInt(const QString& value) {
    return value.isEmpty() ? std::optional<int>(0) : tryStrToInt(value);
}

// The numbers of a "a,b,c,d" text; a missing or non-numeric one is taken from fallback.
std::array<int, 4> readFour(const QString& text, const std::array<int, 4>& fallback) {
    std::array<int, 4> numbers = fallback;
    for (int i = 0; i < 4; ++i) {
        if (const auto n = tryStrToInt(getCommaField(text, i + 1)))
            numbers[std::size_t(i)] = *n;
    }
    return numbers;
}

AnchoredPanel* panelOf(QWidget* control) {
    return qobject_cast<AnchoredPanel*>(control->parentWidget());
}

} // namespace

std::span<const FormStorage::Property> FormStorage::properties() {
    return kProperties;
}

FormStorage::FormStorage(QWidget& window, const QString& path, Callbacks callbacks)
    : window_(window), callbacks_(std::move(callbacks)), file_(path) {
    file_.load();
}

std::optional<QString> FormStorage::stored(const QString& key) const {
    return file_.value(kSection, key);
}

QString FormStorage::columnWidthsText(std::span<const double> widths) {
    QString text;
    for (double w : widths)
        text += QString::number(qint64(std::nearbyint(w))) + u',';
    return text;
}

bool FormStorage::restore() {
    file_.reloadIfChanged();
    const auto version =
        tryStrToInt(stored(QStringLiteral("FormVersion")).value_or(QStringLiteral("0")));
    std::exception_ptr widthError;
    if (version.value_or(0) >= 0) {
        restorePlacement();
        for (const Property& p : kProperties) {
            if (const auto value = stored(keyOf(p)))
                restoreProperty(p, *value);
        }
        try {
            restoreColumnWidths();
        } catch (const AppError&) {
            widthError = std::current_exception();
        }
    }
    file_.save();
    if (widthError)
        std::rethrow_exception(widthError);
    return placed_;
}

void FormStorage::restorePlacement() {
    const QSize desk = desktopSize();
    const QString suffix = QStringLiteral("(%1x%2)").arg(desk.width()).arg(desk.height());
    const auto sized = [&](const QString& key) {
        const auto value = stored(key + suffix);
        return value ? value : stored(key);
    };
    const auto flags = stored(QStringLiteral("Flags"));
    const auto minMax = sized(QStringLiteral("MinMaxPos"));
    const auto norm = sized(QStringLiteral("NormPos"));
    if (minMax || norm) {
        const auto ppi = stored(QStringLiteral("PixelsPerInch"));
        const QRect current = window_.geometry();
        const std::array<int, 4> mm = readFour(minMax.value_or(QString()), {0, 0, 0, 0});
        const std::array<int, 4> np =
            readFour(norm.value_or(QString()),
                     {current.left(), current.top(), current.width(), current.height()});
        const QRect normal(QPoint(np[0], np[1]), QSize(np[2] - np[0], np[3] - np[1]));
        const bool samePpi = !ppi || tryStrToInt(*ppi) == pixelsPerInch();
        if (samePpi && placementOnMonitors(normal) && fitsWorkArea(normal)) {
            // The flags belong to the placement they were stored with.
            if (flags)
                kept_.flags = tryStrToInt(*flags).value_or(kept_.flags);
            kept_.minPosition = {mm[0], mm[1]};
            kept_.maxPosition = {mm[2], mm[3]};
            window_.setGeometry(normal);
            placed_ = true;
        }
    }
    const int state =
        showStateOf(tryStrToInt(stored(QStringLiteral("ShowCmd")).value_or(QString()))
                        .value_or(window_.isMaximized() ? kShowMaximised : kShowNormal));
    if (state == kShowMaximised)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    else if (state == kShowMinimised)
        window_.setWindowState(window_.windowState() | Qt::WindowMinimized);
}

void FormStorage::restoreProperty(const Property& p, const QString& value) {
    QWidget* control = window_.findChild<QWidget*>(QLatin1String(p.control));
    if (!control)
        return;
    switch (p.kind) {
    case K::Visible:
        if (const auto visible = readBool(value))
            control->setVisible(*visible);
        break;
    case K::Top:
    case K::Left:
        if (const auto position = readInt(value); position && panelOf(control)) {
            if (p.kind == K::Top)
                panelOf(control)->setControlTop(control, *position);
            else
                panelOf(control)->setControlLeft(control, *position);
        }
        break;
    case K::Caption:
        if (auto* button = qobject_cast<QPushButton*>(control))
            button->setText(value);
        else if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(value);
        break;
    case K::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(value); // the bench address follows through its change handling
        else
            control->setProperty(kCommandLinkHint, value);
        break;
    case K::Width:
        // A width beyond the screen, or too narrow to use, keeps the default.
        if (const auto width = readInt(value);
            width && *width >= layout::kMinGridPanelWidth && *width <= screenWorkArea().width())
            callbacks_.setPanelWidth(control, *width);
        break;
    }
}

void FormStorage::restoreColumnWidths() {
    callbacks_.restoreColumnWidths(
        stored(QStringLiteral("Dgrid.columnwidths")).value_or(kDefaultColumnWidths));
}

QString FormStorage::propertyValue(const Property& p) const {
    const QWidget* control = window_.findChild<QWidget*>(QLatin1String(p.control));
    if (!control)
        return {};
    switch (p.kind) {
    case K::Visible:
        return control->isHidden() ? QStringLiteral("FALSE") : QStringLiteral("TRUE");
    case K::Top:
        return QString::number(control->y());
    case K::Left:
        return QString::number(control->x());
    case K::Caption:
        if (const auto* button = qobject_cast<const QPushButton*>(control))
            return button->text();
        if (const auto* label = qobject_cast<const QLabel*>(control))
            return label->text();
        return {};
    case K::Text:
        if (const auto* edit = qobject_cast<const QLineEdit*>(control))
            return edit->text();
        return control->property(kCommandLinkHint).toString();
    case K::Width:
        return QString::number(control->width());
    }
    return {};
}

void FormStorage::save() {
    saved_ = true;
    file_.reloadIfChanged();
    const WindowPlacement placement = currentPlacement(window_, kept_);
    const QSize desk = desktopSize();
    const QString suffix = QStringLiteral("(%1x%2)").arg(desk.width()).arg(desk.height());
    const auto set = [this](const QString& key, const QString& value) {
        file_.setValue(kSection, key, value);
    };
    set(QStringLiteral("FormVersion"), QStringLiteral("0"));
    set(QStringLiteral("ShowCmd"), QString::number(placement.showCmd));
    set(QStringLiteral("Flags"), QString::number(placement.flags));
    set(QStringLiteral("PixelsPerInch"), QString::number(pixelsPerInch()));
    const QString minMax = positionsText(placement.minPosition, placement.maxPosition);
    set(QStringLiteral("MinMaxPos") + suffix, minMax);
    set(QStringLiteral("MinMaxPos"), minMax);
    const QString norm = rectText(placement.normal);
    set(QStringLiteral("NormPos") + suffix, norm);
    set(QStringLiteral("NormPos"), norm);
    for (const Property& p : kProperties)
        set(keyOf(p), propertyValue(p));
    set(QStringLiteral("Dgrid.columnwidths"), callbacks_.columnWidths());
    file_.save();
}

} // namespace abgleich
