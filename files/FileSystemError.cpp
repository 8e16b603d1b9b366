#include "FileSystemError.h"

#include <cstring>

FileSystemError FileSystemError::fromErrno(int code) { return FileSystemError { code, std::strerror(code) }; }
