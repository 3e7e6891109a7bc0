// kalvex-cli drives, and reading the table of contents of one drive.
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

// The interface chosen, the drives it lists and what the user was told.
struct DrivesResult {
    std::optional<std::string> interface;
    std::vector<ListDriveBox::Entry> drives;
    std::vector<std::string> messages;
    bool selected = false;
    bool Succeeded() const { return selected; }
};

DrivesResult ListDrives() {
    ListDriveBox box;
    CollectingMessageService messages;
    DrivesResult result;
    result.selected = SelectDrives(box, messages);
    // A failure after the choice (no drive answers) leaves the interface chosen.
    if (const ISCSI* scsi = CurrentScsiInterface()) {
        result.interface = scsi->Interface();
    }
    result.drives = box.Entries();
    result.messages = messages.Texts();
    return result;
}

void PrintText(Io& io, const DrivesResult& result) {
    PrintMessages(result.messages, io);
    if (result.interface) {
        io.out << "Interface: " << *result.interface << '\n';
    }
    for (const ListDriveBox::Entry& entry : result.drives) {
        io.out << entry.drive_index << "  " << entry.text << '\n';
    }
}

void PrintJson(Io& io, const DrivesResult& result) {
    Json drives = Json::array();
    for (const ListDriveBox::Entry& entry : result.drives) {
        drives.push_back({{"Index", entry.drive_index}, {"Text", entry.text}});
    }
    PrintJson(io, Json{{"Interface", result.interface ? Json(*result.interface) : Json()},
                       {"Drives", drives},
                       {"Messages", result.messages}});
}

int RunDrives(std::vector<std::string> args, Io& io) {
    ArgReader reader(std::move(args));
    const bool json = reader.Flag("--json");
    if (!reader.Positionals().empty()) {
        throw UsageError("drives takes no arguments (see drives --help)");
    }
    return Print(io, ListDrives(), json);
}

}  // namespace

DiscReading ReadDriveToc(const std::string& drive_text) {
    int drive_index = 0;
    const auto [end, error] =
        std::from_chars(drive_text.data(), drive_text.data() + drive_text.size(), drive_index);
    if (error != std::errc() || end != drive_text.data() + drive_text.size() || drive_index < 1 ||
        drive_index > 32767) {
        throw UsageError("--drive needs a drive index from 1 (see kalvex-cli drives)");
    }
    ListDriveBox box;
    CollectingMessageService messages;
    DiscReading reading;
    if (SelectDrives(box, messages)) {
        if (!box.SelectDrive(drive_index)) {
            reading.failure = "drive " + drive_text + " is not listed (see kalvex-cli drives)";
        } else if (ReadDiscToc(box, messages)) {
            reading.toc = CurrentDiscToc();
        }
    }
    reading.messages = messages.Texts();
    return reading;
}

Command DrivesCommand() {
    return {"drives", "the CD drives and the SCSI interface that reaches them", kHelp, RunDrives};
}

}  // namespace kalvex::cli
