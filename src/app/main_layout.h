#pragma once

namespace kalvex {

// A control's place in twips.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const TwipRect&) const = default;
};

// The main window opens at this outer size.
inline constexpr int kMainWindowWidth = 11055;
inline constexpr int kMainWindowHeight = 8325;
// The layout formulas work on the outer width; Qt gives us the inner one, so
// a classic sizing frame (4 pixels each side, 26-pixel title bar) is assumed.
inline constexpr int kWindowFrameWidth = 120;
inline constexpr int kWindowFrameHeight = 510;

// Where the controls outside the tab pages sit, and the shared page area.
struct MainLayout {
    TwipRect capDrive;
    TwipRect cboDrives;
    TwipRect cmdRead;
    TwipRect capDisc;
    TwipRect lblFreeDB;
    TwipRect capMP3Folder;
    TwipRect Drive1;
    TwipRect Dir1;
    TwipRect lblMP3;
    TwipRect pbFiles;
    TwipRect lvwTracks;
    TwipRect nTab;
    TwipRect cmdUpdate;
    TwipRect cmdImport;
    TwipRect chkVersion1;
    TwipRect chkVersion2;
    TwipRect fraTab;  // every tab page
};

// The places as created, before the first resize.
MainLayout InitialMainLayout();

// Follows a new window size: outer_width is the window's outer width, and
// inner_height the height of its inner area. The tab strip keeps its size at
// the right edge, the track list grows downwards. A step that would give a
// negative width or height is skipped; the others still run.
void ResizeMainLayout(MainLayout& layout, int outer_width, int inner_height);

}  // namespace kalvex
