#include <charconv>
#include <ostream>

#include "cdrom/drive_error.h"
#include "cdrom/list_drive_box.h"
#include "cdrom/scsi_interface.h"
#include "cli/cli_args.h"
#include "cli/commands.h"

namespace kalvex::cli {
namespace {

// Chooses the interface and lists the drives; a failure on the way is told
// like the window tells it.
bool SelectDrives(ListDriveBox& box, CollectingMessageService& messages) {
    try {
        return SelectScsiInterface(box, messages);
    } catch (const DriveAccessError& error) {
        messages.ShowExclamation(DriveAccessErrorText(error.number(), error.what()));
        return false;
    }
}

constexpr const char* kHelp = R"(usage: kalvex-cli drives [--json]

Chooses the SCSI interface as the program does at start (the system's
pass-through, else the ASPI library) and lists the CD drives that answer
INQUIRY, each with its drive index:

  1  /dev/sr0: VENDOR  PRODUCT         REV  (0:0:0)

The ASPI library is $KALVEX_ASPI_LIBRARY, else libwnaspi32.so; the project's
virtual drive (libkalvex-virtual-aspi.so) plays one whose disc is the table
of contents in the file $KALVEX_VIRTUAL_TOC.

  --json   print {"Interface", "Drives": [{"Index", "Text"}], "Messages"}

Messages for the user go to standard error. Exit code 1 when no interface
works or no drive is listed.
)";

int RunDrives(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    if (!reader.Positionals().empty()) {
        throw UsageError("drives takes no arguments (see drives --help)");
    }
    ListDriveBox box;
    CollectingMessageService messages;
    const bool selected = SelectDrives(box, messages);
    const ISCSI* scsi = CurrentScsiInterface();
    if (json) {
        Json drives = Json::array();
        for (const ListDriveBox::Entry& entry : box.Entries()) {
            drives.push_back({{"Index", entry.drive_index}, {"Text", entry.text}});
        }
        PrintJson(io, Json{{"Interface", scsi != nullptr ? Json(scsi->Interface()) : Json()},
                           {"Drives", drives},
                           {"Messages", messages.Texts()}});
    } else {
        for (const std::string& text : messages.Texts()) {
            io.err << text << '\n';
        }
        if (scsi != nullptr) {
            io.out << "Interface: " << scsi->Interface() << '\n';
        }
        for (const ListDriveBox::Entry& entry : box.Entries()) {
            io.out << entry.drive_index << "  " << entry.text << '\n';
        }
    }
    return selected ? 0 : 1;
}

void PrintMessages(const CollectingMessageService& messages, size_t from, Io& io) {
    const std::vector<std::string> texts = messages.Texts();
    for (size_t i = from; i < texts.size(); ++i) {
        io.err << texts[i] << '\n';
    }
}

}  // namespace

std::optional<DiscToc> ReadTocOfDrive(const std::string& drive_text, Io& io) {
    int drive_index = 0;
    const auto [end, error] =
        std::from_chars(drive_text.data(), drive_text.data() + drive_text.size(), drive_index);
    if (error != std::errc() || end != drive_text.data() + drive_text.size() || drive_index < 1 ||
        drive_index > 32767) {
        throw UsageError("--drive needs a drive index from 1 (see kalvex-cli drives)");
    }
    ListDriveBox box;
    CollectingMessageService messages;
    const bool selected = SelectDrives(box, messages);
    PrintMessages(messages, 0, io);
    if (!selected) {
        return std::nullopt;
    }
    if (!box.SelectDrive(drive_index)) {
        ReportFailure(io, "drive " + drive_text + " is not listed (see kalvex-cli drives)");
        return std::nullopt;
    }
    const size_t shown = messages.Texts().size();
    const bool read = ReadDiscToc(box, messages);
    PrintMessages(messages, shown, io);
    if (!read) {
        return std::nullopt;
    }
    return CurrentDiscToc();
}

int RunDiscIdOnDrive(const std::string& drive_text, bool json, Io& io) {
    const std::optional<DiscToc> toc = ReadTocOfDrive(drive_text, io);
    if (!toc) {
        return 1;
    }
    PrintDiscId(*toc, json, io);
    return 0;
}

Command DrivesCommand() {
    return {"drives", "the CD drives and the SCSI interface that reaches them", kHelp, RunDrives};
}

}  // namespace kalvex::cli
