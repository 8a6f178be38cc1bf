#include "media/probe/metadata_keys.h"

namespace media {
namespace {

struct KeyName {
  const char* key;
  const char* name;
};

// Tried in this order, compared exactly (case-sensitive).
constexpr KeyName kMetadataKeyNames[] = {
    {"TALB", "album"},     {"TAL", "album"},      {"TCOM", "composer"},  {"TCON", "genre"},
    {"TCO", "genre"},      {"TCOP", "copyright"}, {"TDRL", "date"},      {"TENC", "encoder"},
    {"TEN", "encoder"},    {"TIT2", "title"},     {"TT2", "title"},      {"TLAN", "language"},
    {"TPE1", "artist"},    {"TP1", "artist"},     {"TPOS", "disc"},      {"TPUB", "publisher"},
    {"TRCK", "track"},     {"TRK", "track"},      {"TSOA", "albumsort"}, {"TSOP", "authorsort"},
    {"TSOT", "titlesort"}, {"TYER", "year"},
};

}  // namespace

std::string MetadataDisplayName(const std::string& key) {
  for (const auto& k : kMetadataKeyNames)
    if (key == k.key) return k.name;
  return key;
}

}  // namespace media
