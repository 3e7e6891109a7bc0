// A file's tags and stream facts, read in one go.
#include "id3/file_tags.h"

#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"

namespace kalvex {

FileTags LoadFileTags(const std::string& path) {
    FileTags tags;
    tags.HasTagV1 = ReadTagV1(path, tags.TagV1);
    tags.HasTagV2 = ReadTagV2(path, tags.TagV2);
    tags.StreamInfoValid = ReadStreamInfo(path, tags.Stream);
    return tags;
}

}  // namespace kalvex
