// Renaming the ticked files to number and title, and the folder to the album.
#include "workflow/rename_operations.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/file_result.h"
#include "common/safe_rename.h"
#include "common/text_helpers.h"
#include "workflow/file_names.h"

namespace kalvex {
namespace {

std::string RefusedText(std::string_view old_name, std::string_view new_name,
                        std::string_view reason) {
    return "Could not rename '" + std::string(old_name) + "' to '" + std::string(new_name) +
           "': " + std::string(reason);
}

// Shows a failure to the user and keeps it in the result.
template <typename Result>
void TellFailure(Result& result, MessageService& messages, std::string text) {
    messages.ShowExclamation(text);
    result.error = std::move(text);
}

// The folder as the renaming sees it: the real one, or for a dry run its
// listing taken once, to which every rename that would be done is applied,
// so that later rows meet the names earlier rows would take or free.
class FolderState {
public:
    FolderState(const std::string& folder, bool dry_run)
        : folder_(AddBackslash(folder.empty() ? "." : folder)), dry_run_(dry_run) {
        if (dry_run_) {
            std::error_code error;
            for (std::filesystem::directory_iterator entry(folder_, error), end;
                 !error && entry != end; entry.increment(error)) {
                names_.push_back(entry->path().filename().string());
            }
            if (error) {
                listing_ = FileResult::Failed(error.message());
            }
        }
    }

    // Whether an entry other than `besides` is named `name`, case ignored.
    bool Taken(std::string_view name, std::string_view besides) const {
        if (!dry_run_) {
            return ExistsIgnoringCase(folder_, name, besides);
        }
        return std::ranges::any_of(names_, [&](const std::string& entry) {
            return entry != besides && SameNameIgnoringCase(entry, name);
        });
    }

    // Whether an entry has exactly this name.
    FileResult Find(const std::string& name) const {
        if (!dry_run_) {
            struct stat status {};
            return ::lstat((folder_ + name).c_str(), &status) == 0 ? FileResult()
                                                                   : FileResult::FromErrno(errno);
        }
        if (!listing_) {
            return listing_;
        }
        return std::ranges::find(names_, name) != names_.end() ? FileResult()
                                                               : FileResult::FromErrno(ENOENT);
    }

    FileResult Rename(const std::string& old_name, const std::string& new_name) {
        if (!dry_run_) {
            return RenameNoReplace(folder_ + old_name, folder_ + new_name);
        }
        FileResult found = Find(old_name);
        if (found) {
            *std::ranges::find(names_, old_name) = new_name;
        }
        return found;
    }

private:
    std::string folder_;
    bool dry_run_;
    std::vector<std::string> names_;
    FileResult listing_;
};

void RenameOneFile(FolderState& state, const TrackRow& row, FileRename& result,
                   MessageService& messages) {
    result.old_name = row.FileName;
    result.new_name = TrackFileName(row.Track, row.Title);
    if (result.old_name == result.new_name) {
        // A rerun over a renamed folder: the case-blind test would find the
        // file itself, but there is nothing to do and nothing is wrong.
        const FileResult found = state.Find(result.old_name);
        if (found) {
            result.already_named = true;
        } else {
            TellFailure(result, messages,
                        RefusedText(result.old_name, result.new_name, found.Reason()));
        }
        return;
    }
    // The file itself does not count, so "03 title.mp3" may become "03 Title.mp3".
    if (state.Taken(result.new_name, result.old_name)) {
        TellFailure(result, messages,
                    "Could not rename '" + result.old_name + "' to '" + result.new_name +
                        "', as that file already exists.");
        return;
    }
    const FileResult renamed = state.Rename(result.old_name, result.new_name);
    if (renamed) {
        result.renamed = true;
    } else {
        TellFailure(result, messages,
                    RefusedText(result.old_name, result.new_name, renamed.Reason()));
    }
}

std::string SystemReason(int error_number) {
    return std::system_category().message(error_number);
}

// The folder's path without trailing separators, "." and ".." resolved so
// that they have a name of their own; empty with `reason` set when the path
// names no folder.
std::string FolderPath(const std::string& folder, std::string& reason) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        reason = SystemReason(errno);
        return {};
    }
    if (!S_ISDIR(status.st_mode)) {
        reason = SystemReason(ENOTDIR);
        return {};
    }
    const std::string_view last = std::string_view(path).substr(path.rfind('/') + 1);
    if (last == "." || last == "..") {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            reason = SystemReason(errno);
            return {};
        }
        path = resolved;
    }
    return path;
}

}  // namespace

std::vector<FileRename> RenameTrackFiles(const std::string& folder,
                                         const std::vector<TrackRow>& rows, Progress& progress,
                                         MessageService& messages, bool dry_run) {
    FolderState state(folder, dry_run);
    std::vector<FileRename> results;
    progress.Start();
    for (size_t i = 0; i < rows.size(); ++i) {
        progress.Step(
            ProgressPercent(static_cast<long long>(i) + 1, static_cast<long long>(rows.size())));
        if (rows[i].Ticked) {
            FileRename& result = results.emplace_back();
            result.row = i;
            RenameOneFile(state, rows[i], result, messages);
        }
    }
    progress.Finish();
    return results;
}

FolderRename CheckFolderRename(const std::string& folder, std::string_view album_title,
                               MessageService& messages) {
    FolderRename result;
    if (album_title.empty()) {
        return result;
    }
    std::string reason;
    result.old_path = FolderPath(folder, reason);
    if (result.old_path.empty()) {
        TellFailure(result, messages, "Could not rename '" + folder + "': " + reason);
        return result;
    }
    if (result.old_path == "/") {
        TellFailure(result, messages, "Could not rename '/': a root folder cannot be renamed.");
        return result;
    }
    const std::string name = AlbumFolderName(album_title);
    if (name.empty()) {
        TellFailure(result, messages, "The album title gives no usable folder name.");
        return result;
    }
    const std::string& path = result.old_path;
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string last = path.substr(slash == std::string::npos ? 0 : slash + 1);
    result.new_path = parent + name;
    if (last == name) {
        result.already_named = true;
        return result;
    }
    if (ExistsIgnoringCase(parent.empty() ? "." : parent, name, last)) {
        TellFailure(
            result, messages,
            "Could not rename folder to \r\n" + result.new_path + "\r\nFolder already exists.");
    }
    return result;
}

void RenameCheckedFolder(FolderRename& plan, MessageService& messages) {
    if (plan.new_path.empty() || plan.already_named || !plan.error.empty()) {
        return;
    }
    const FileResult renamed = RenameNoReplace(plan.old_path, plan.new_path);
    if (renamed) {
        plan.renamed = true;
    } else {
        TellFailure(plan, messages, RefusedText(plan.old_path, plan.new_path, renamed.Reason()));
    }
}

FolderRename RenameAlbumFolder(const std::string& folder, std::string_view album_title,
                               MessageService& messages, bool dry_run) {
    FolderRename result = CheckFolderRename(folder, album_title, messages);
    if (!dry_run) {
        RenameCheckedFolder(result, messages);
    } else {
        result.renamed = !result.new_path.empty() && !result.already_named && result.error.empty();
    }
    return result;
}

}  // namespace kalvex
