// A libzip archive source that reads an earlier archive and writes the archive made from it to
// another path, the earlier archive's unchanged start copied in the kernel.
#pragma once

#include <string>

struct zip_source;

namespace albumon {

// A source for zip_open_from_source: it reads the archive at earlier and writes what zip_close
// makes of it to target, which must not exist yet; the part of the earlier archive that libzip
// keeps as it is (up to the first member changed) is copied with copy_file_range, the rest
// written in large blocks. A failed or abandoned write leaves no target. Null when earlier
// cannot be read or target already exists.
zip_source* CloningZipSource(const std::string& earlier, const std::string& target);

}  // namespace albumon
