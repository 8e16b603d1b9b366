#include "FileAccessError.h"

std::string errorDescription(FileAccessError error)
{
    switch (error) {
    case FileAccessError::directoryAccessDenied:
        return "Cannot access the selected folder.";
    }
    return {};
}
