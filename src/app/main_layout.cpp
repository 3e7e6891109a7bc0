// Where the main window's controls sit, in twips, and how they follow its size.
#include "app/main_layout.h"

namespace kalvex {
namespace {

// The tab pages sit inside the strip's frame, below the tab row.
constexpr int kPageInsetLeft = 60;
constexpr int kPageInsetTop = 330;

void SetSize(int& target, int value) {
    if (value >= 0) {
        target = value;
    }
}

}  // namespace

MainLayout InitialMainLayout() {
    MainLayout layout;
    layout.capDrive = {120, 120, 855, 315};
    layout.cboDrives = {1080, 120, 3135, 315};
    layout.cmdRead = {4320, 120, 1215, 675};
    layout.capDisc = {120, 480, 855, 315};
    layout.lblFreeDB = {1080, 480, 3135, 315};
    layout.capMP3Folder = {120, 840, 375, 2700};
    layout.Drive1 = {480, 840, 5055, 315};
    layout.Dir1 = {480, 1200, 5055, 2340};
    layout.lblMP3 = {120, 3600, 3495, 255};
    layout.pbFiles = {120, 3600, 5415, 255};
    layout.lvwTracks = {120, 3840, 5355, 3615};
    layout.nTab = {5640, 120, 5375, 6645};
    layout.cmdUpdate = {5640, 6840, 2175, 435};
    layout.cmdImport = {7920, 6840, 1695, 435};
    layout.chkVersion1 = {9720, 6795, 1155, 255};
    layout.chkVersion2 = {9720, 7035, 1155, 255};
    layout.fraTab = {layout.nTab.left + kPageInsetLeft, layout.nTab.top + kPageInsetTop,
                     layout.nTab.width - 2 * kPageInsetLeft,
                     layout.nTab.height - kPageInsetTop - kPageInsetLeft};
    return layout;
}

void ResizeMainLayout(MainLayout& l, int outer_width, int inner_height) {
    l.nTab.left = outer_width - l.nTab.width - 180;
    l.fraTab.left = l.nTab.left + kPageInsetLeft;
    l.cmdUpdate.left = l.nTab.left;
    l.cmdImport.left = l.cmdUpdate.left + l.cmdUpdate.width + 120;
    SetSize(l.lvwTracks.height, inner_height - l.lvwTracks.top - 120);
    SetSize(l.lvwTracks.width, l.nTab.left - 240);
    SetSize(l.pbFiles.width, l.lvwTracks.width);
    SetSize(l.Dir1.width, l.nTab.left - 120 - l.Dir1.left);
    SetSize(l.Drive1.width, l.Dir1.width);
    l.cmdRead.left = l.nTab.left - 120 - l.cmdRead.width;
    SetSize(l.cboDrives.width, l.cmdRead.left - 120 - l.cboDrives.left);
    SetSize(l.lblFreeDB.width, l.cmdRead.left - 120 - l.lblFreeDB.left);
    l.chkVersion1.left = l.cmdImport.left + l.cmdImport.width + 120;
    l.chkVersion2.left = l.chkVersion1.left;
}

}  // namespace kalvex
