#include "Result.h"

#include <cstring>

Error Error::fromErrno(int code)
{
    return Error { std::strerror(code), code };
}
