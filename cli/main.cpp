#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "CommandLine.h"
#include "FileAccessService.h"
#include "FileFilterService.h"
#include "PhotoMetadataService.h"
#include "FileRenameService.h"
#include "FileSorting.h"

namespace {

void printPreview(const std::vector<RenamePlan> &plans, bool json)
{
    if (json) {
        auto array = nlohmann::ordered_json::array();
        for (const auto &plan : plans) {
            array.push_back({ { "originalPath", plan.originalURL.string() }, { "newPath", plan.newURL.string() },
                { "originalName", plan.originalName }, { "newName", plan.newName } });
        }
        std::cout << array.dump(2) << '\n';
        return;
    }
    std::string out;
    for (const auto &plan : plans) {
        out += plan.originalName;
        out += " -> ";
        out += plan.newName;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

} // namespace

int main(int argc, char **argv)
{
    std::string error;
    const auto command = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!command) {
        std::cerr << "quorvane-cli: " << error << '\n';
        return 2;
    }
    if (command->help) {
        std::cout << usageText();
        return 0;
    }

    FileAccessService fileAccess;
    const auto listing = fileAccess.listFiles(command->folder, command->includeSubfolders);
    if (listing.error) {
        std::cerr << errorDescription(*listing.error) << '\n';
        return 1;
    }
    std::vector<FileItem> files = listing.files;
    sortByName(files);
    files = FileFilterService().filter(files, command->criteria);

    FileRenameService renameService(fileAccess, PhotoMetadataService::shared());
    const auto plans = renameService.generatePlans(files, command->parameters);
    printPreview(plans, command->json);
    return 0;
}
