// The POSIX handles the platform layer owns, each a UniqueHandle over its close call.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include "platform/UniqueHandle.h"

namespace quillet::platform {

// A close that reports an error (a late write failure on some file systems) returns false.
struct FileDescriptorKind {
    using Handle = int;
    static Handle None() { return -1; }
    static bool Close(Handle fd) { return ::close(fd) == 0; }
};
struct FolderStreamKind {
    using Handle = DIR*;
    static Handle None() { return nullptr; }
    static bool Close(Handle dir) { return ::closedir(dir) == 0; }
};

using FileDescriptor = UniqueHandle<FileDescriptorKind>;
using FolderStream = UniqueHandle<FolderStreamKind>;

}  // namespace quillet::platform
