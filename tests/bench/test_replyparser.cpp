// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/replyparser.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

const QString kBody = u"4711,ABC12,1.7,220315143005,1,Temp 1,°C,439,1005,"_s;
const QString kRecord = u"U"_s + kBody + u"#"_s;

} // namespace

// A buffer emptied in between is searched afresh: what was found to hold neither "?" nor
// "#" before is forgotten with it.
TEST(ReplyParser, ClearedBufferIsSearchedAfresh) {
    ReceiveBuffer rx;
    rx.expectedReply = u'U';
    rx.empfangen = kRecord.left(kRecord.size() - 5);
    EXPECT_EQ(takeFrame(rx), std::nullopt);
    EXPECT_GT(rx.searched, 0);
    rx.clear();
    EXPECT_EQ(rx.searched, 0);
    rx.empfangen += u"x"_s + kRecord;
    const auto frame = takeFrame(rx);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->letter, u'U');
    EXPECT_EQ(frame->body, kBody);
    EXPECT_TRUE(rx.empfangen.isEmpty());
    EXPECT_EQ(rx.expectedReply, QChar(0));
    const CorrectionReply reply = parseCorrectionReply(frame->body, RegionalSettings::german());
    const auto* record = std::get_if<ControllerRecord>(&reply);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->geraeteId, u"4711"_s);
}

// What a "U" frame's body holds: the controller's error text, the acknowledgement of an
// upload, a record, or a record whose count no table can take.
TEST(ReplyParser, CorrectionReplyKinds) {
    const RegionalSettings rs = RegionalSettings::german();
    const CorrectionReply error = parseCorrectionReply(u"EKeine Daten vorhanden", rs);
    ASSERT_TRUE(std::holds_alternative<ControllerError>(error));
    EXPECT_EQ(std::get<ControllerError>(error).text, u"Keine Daten vorhanden"_s);

    EXPECT_TRUE(std::holds_alternative<UploadAcknowledged>(parseCorrectionReply(u"F123", rs)));

    const CorrectionReply unusable =
        parseCorrectionReply(u"4711,ABC12,1.7,,257,Temp 1,°C,439,1005", rs);
    ASSERT_TRUE(std::holds_alternative<UnusableCount>(unusable));
    EXPECT_EQ(std::get<UnusableCount>(unusable).countText, u"257"_s);

    const CorrectionReply record = parseCorrectionReply(kBody, rs);
    ASSERT_TRUE(std::holds_alternative<ControllerRecord>(record));
    const ControllerRecord& r = std::get<ControllerRecord>(record);
    EXPECT_EQ(r.geraetetyp, u"ABC12"_s);
    EXPECT_EQ(r.spsVersion, u"1.7"_s);
    EXPECT_EQ(r.count, 1);
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_EQ(r.points[0].name, u" Temp 1 "_s);
    EXPECT_EQ(r.points[0].a, 0.439);
    EXPECT_EQ(r.points[0].b, 1.005);
    EXPECT_FALSE(r.brokeOff);
}
