// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/adjustmentreport.h"
#include "support/qtprint.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

// The point of the largest deviation, by magnitude, among the points that have one.
TEST(Report, LargestDeviationBeforeAndAfter) {
    AdjustmentReport report;
    EXPECT_EQ(report.largestBefore(), nullptr);
    EXPECT_EQ(report.largestAfter(), nullptr);
    const std::optional<double> before[] = {std::nullopt, -3.0, 2.0, 3.0};
    const std::optional<double> after[] = {0.25, std::nullopt, -0.5, std::nullopt};
    for (int k = 0; k < 4; ++k) {
        ReportPoint point;
        point.number = k + 1;
        point.largestBefore = before[k];
        point.largestAfter = after[k];
        report.points.push_back(point);
    }
    // Of two of the same magnitude, the first.
    EXPECT_EQ(report.largestBefore(), &report.points[1]);
    EXPECT_EQ(report.largestAfter(), &report.points[2]);

    for (ReportPoint& point : report.points)
        point.largestAfter.reset();
    EXPECT_EQ(report.largestAfter(), nullptr);
}

TEST(ReportFile, NamedAfterDeviceAndTime) {
    EXPECT_EQ(adjustmentReportStem(u"/x/config"_s, u"4711"_s,
                                   QDateTime(QDate(2022, 3, 5), QTime(4, 3, 2))) +
                  kReportSuffix,
              u"/x/config"_s + QDir::separator() + u"Abgleichprotokoll_4711_20220305-040302.pdf"_s);
}
