// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "records/recordsdb.h"

#include <QAbstractTableModel>

namespace abgleich {

// The uploads of the history, newest first.
class UploadListModel : public QAbstractTableModel {
public:
    UploadListModel(const DeviceHistory& history, const RegionalSettings& rs, QObject* parent)
        : QAbstractTableModel(parent), history_(history), rs_(rs) {}

    std::size_t uploadAt(int row) const { return history_.uploads.size() - 1 - std::size_t(row); }
    int rowOf(std::size_t upload) const { return int(history_.uploads.size() - 1 - upload); }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(history_.uploads.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 4;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const UploadSummary& upload = history_.uploads[uploadAt(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case 0:
                return rs_.formatDateTime(upload.when());
            case 1:
                return QString(upload.comment).replace(u'\n', QStringLiteral(" / "));
            case 2:
                return QString::number(upload.points);
            default:
                return upload.source == RowSource::ChangeLog
                           ? QStringLiteral("aus Protokolldatei übernommen")
                           : QString();
            }
        case Qt::ToolTipRole:
            return index.column() == 1 ? QVariant(upload.comment) : QVariant();
        case Qt::TextAlignmentRole:
            return QVariant::fromValue((index.column() == 2 ? Qt::AlignRight : Qt::AlignLeft) |
                                       Qt::AlignVCenter);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case 0:
            return QStringLiteral("Übertragen am");
        case 1:
            return QStringLiteral("Kommentar");
        case 2:
            return QStringLiteral("Messstellen");
        default:
            return QStringLiteral("Herkunft");
        }
    }

private:
    const DeviceHistory& history_;
    const RegionalSettings& rs_;
};

} // namespace abgleich
