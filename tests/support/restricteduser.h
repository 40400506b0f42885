// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>

namespace abgleich::test {

// A user to whom file permissions apply: "nobody" (65534) when the tests run as root, for
// whom permissions do not count, else the user who runs them.
struct RestrictedUser {
    uid_t uid;
    gid_t gid;
};
RestrictedUser restrictedUser();

// Runs action in a child process as restrictedUser() and returns the child's exit status
// (what action returned, 0..124); nothing when the child could not become that user or did
// not end normally.
std::optional<int> runAsRestrictedUser(const std::function<int()>& action);

} // namespace abgleich::test
