#pragma once

#include <string>
#include <string_view>

namespace kalvex {

// The title with every character removed that is not a letter (either case),
// a digit, one of - _ £ % $ & ! # ~ @ ' or the space: names that any file
// system, archive tool and shell takes without quoting trouble. Nothing is
// replaced, so accented letters and non-Latin scripts are dropped.
std::string CleanTrackFileName(std::string_view title);

// The name without the characters that Windows file systems refuse
// (< > : " / \ | ? *) and without NUL, then without trailing dots, then
// without leading and trailing spaces: dots first, so "Album. " keeps its dot.
std::string CleanFolderName(std::string_view name);

// "NN Title.mp3": the leading number of the track text with at least two
// digits ("3/12" gives "03"), a space and the cleaned title; shortened to the
// longest name a file system takes, keeping the number and ".mp3".
std::string TrackFileName(std::string_view track_text, std::string_view title);

// The cleaned album title, shortened like a file name; empty when the title
// gives no name, or only "." or "..".
std::string AlbumFolderName(std::string_view album_title);

}  // namespace kalvex
