// A fresh album state whose work folder lies in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include "AlbumState.h"
#include "FileSystem.h"
#include "TestSupport.h"

namespace albumon::test {

class AlbumTest : public ::testing::Test {
  protected:
    AlbumTest() {
        state.TempPath = dir / "Temp";
        state.TemplatePath = dir / "Def/";
        ForceDirectories(state.TempPath);
    }

    // Appends an entry for path without touching the disk.
    EntryRecord& Add(const std::string& path, std::int32_t mode = nmAuto) {
        EntryRecord& entry = state.Entries[state.EntryCount];
        entry = EntryRecord{};
        entry.SourcePath = path;
        entry.NameMode = mode;
        entry.NoteNo = state.EntryCount;
        ++state.EntryCount;
        return entry;
    }

    TempDir dir;
    AlbumState state;
    NamingBase naming;
};

}  // namespace albumon::test
