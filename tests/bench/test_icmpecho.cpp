// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/icmpecho.h"
#include "core/errors.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

// Whether this machine lets the process send ICMP echoes at all.
bool echoPermitted() {
    try {
        IcmpEcho().echo(u"127.0.0.1"_s);
        return true;
    } catch (const AppError& e) {
        return !e.message().startsWith(u"ICMP-Echo nicht erlaubt"_s);
    }
}

} // namespace

TEST(IcmpEcho, LoopbackAnswers) {
    if (!echoPermitted())
        GTEST_SKIP() << "ICMP echo is not permitted for this user";
    IcmpEcho echo;
    EXPECT_NO_THROW(echo.echo(u"127.0.0.1"_s));
    EXPECT_NO_THROW(echo.echo(u"LocalHost"_s));
}

TEST(IcmpEcho, NameThatCannotBeResolvedFails) {
    // A name with an empty label is refused by the resolver itself, without any query.
    try {
        IcmpEcho().echo(u"pruefstand..invalid"_s);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(),
                  u"Host 'pruefstand..invalid' nicht auflösbar: Der Name ist nicht bekannt"_s)
            << e.what();
    }
}
