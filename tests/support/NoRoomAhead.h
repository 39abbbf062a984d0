// A child process on whose file systems no room can be taken ahead: fallocate fails there with
// EOPNOTSUPP, as it does on a file system that lacks it (a seccomp filter of the child's own).
#pragma once

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Runs body (returning an exit code of 0 to 124) in such a child; the child's exit code, 125 when
// the filter could not be set, or -1 when the child did not end by itself.
template <class Body>
int InChildWithoutRoomAhead(Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fallocate, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{sizeof filter / sizeof filter[0], filter};
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            _exit(125);
        // Taken for the filter only once the filter is seen to answer.
        if (fallocate(-1, 0, 0, 1) == 0 || errno != EOPNOTSUPP)
            _exit(125);
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
