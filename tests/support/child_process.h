#pragma once
// Tests that need a process of their own: one killed part way, one that drops root so file
// modes count, one with a small filesystem. The child's checks report through its exit
// status (0 passed) and its stderr, which the test log shows.

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace zarvo::test {

// Runs body in a forked child and waits for it: the child's wait status, and its process id
// in *pid when asked.
int RunInChild(const std::function<int()>& body, pid_t* pid = nullptr);

// In a child: hands dir and everything below it to an unprivileged user and becomes that
// user, so that file modes count as they do for a user (root writes through any mode). A
// process that is not root stays as it is. False when it cannot.
bool DropRoot(const std::string& dir);

// In a child: gives dir a filesystem of its own of the given size (a tmpfs in a mount
// namespace of the child's own) where the system allows it; elsewhere no file may grow past
// half that size (a file-size limit: an old and a new copy side by side get half each).
// Either way a write past it fails as on a full disk.
void SmallDisk(const std::string& dir, size_t bytes);

// The check a child's body makes: on failure says what and where on stderr and ends the
// child with status 1.
#define CHILD_CHECK(cond)                                                                    \
  do {                                                                                       \
    if (!(cond)) {                                                                           \
      std::fprintf(stderr, "%s:%d: child check failed: %s\n", __FILE__, __LINE__, #cond);   \
      std::_Exit(1);                                                                         \
    }                                                                                        \
  } while (0)

}  // namespace zarvo::test
