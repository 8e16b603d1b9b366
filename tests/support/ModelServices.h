#pragma once

#include <QTest>

#include "FileAccessService.h"
#include "FileFilterService.h"
#include "FileRenameService.h"
#include "PhotoMetadataService.h"
#include "QuorvaneViewModel.h"
#include "TestDir.h"

/// Waits until the view model's worker published the newest listing, filter or preview.
inline bool settled(const QuorvaneViewModel &model)
{
    return QTest::qWaitFor([&model] { return !model.isWorking(); }, 60000);
}

/// The services the composition root builds, over the real disk, beside a fresh temporary folder.
struct ModelServices {
    TestDir dir;
    FileAccessService fileAccess;
    FileFilterService filterService;
    PhotoMetadataService metadata;
    FileRenameService renameService { fileAccess, metadata };
};
