// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "support/restricteduser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace abgleich::test {

namespace {
constexpr uid_t kNobody = 65534;
constexpr int kCannotBecomeUser = 125;
} // namespace

RestrictedUser restrictedUser() {
    if (geteuid() == 0)
        return {kNobody, kNobody};
    return {geteuid(), getegid()};
}

std::optional<int> runAsRestrictedUser(const std::function<int()>& action) {
    const pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        if (geteuid() == 0) {
            const RestrictedUser user = restrictedUser();
            if (setgroups(0, nullptr) != 0 || setgid(user.gid) != 0 || setuid(user.uid) != 0 ||
                geteuid() == 0)
                _exit(kCannotBecomeUser);
        }
        _exit(action());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == kCannotBecomeUser)
        return std::nullopt;
    return WEXITSTATUS(status);
}

} // namespace abgleich::test
