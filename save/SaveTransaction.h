// One save of an album as a whole: the album's lock, its record, the staged files and the folders
// it made, put in place by Commit or rolled back when it goes without.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "AlbumLock.h"
#include "SaveOwnership.h"
#include "SaveRecord.h"
#include "SaveStage.h"

namespace albumon {

class SaveTransaction {
  public:
    // Makes the album folder (no trailing "/") with its missing parents, locks it (an Exception
    // naming the album by its index page when another save holds it), reads its record and deals
    // with what a killed earlier save left (RecoverKilledSave). outFolder ends with "/". ask is
    // asked about files in the way that are not the save's own (see Claim).
    SaveTransaction(const std::string& album, const std::string& outFolder,
                    const std::string& index, ReplaceQuestion ask = {});
    // Without Commit: puts back what was put in place, removes the staging folders, restores the
    // record byte for byte and removes the folders made. After Commit: removes the staging
    // folders (Close not reached leaves them on the record, for the next save to clear).
    ~SaveTransaction();
    SaveTransaction(const SaveTransaction&) = delete;
    SaveTransaction& operator=(const SaveTransaction&) = delete;

    // Claims the files at targets (full paths) for the save: those in the way that are not its
    // own (ForeignTargets) and not claimed before are put to ask; without ask, or when it says
    // no, raises EForeignFiles naming them.
    void Claim(const std::vector<std::string>& targets);
    // Makes the staging folders, then runs write, which writes every file of the album through
    // StagedSave::Stage.
    void Write(const std::function<void(StagedSave& staged)>& write);
    // Claims every staged file's place, then puts every staged file in place and records them as
    // placed: from then on the album is the new one and is no longer rolled back. Then keeps the
    // folders made and removes the files an earlier save wrote and this one did not
    // (SaveRecord::Finish).
    void Commit();
    // Once committed: runs afterPlaced (when given) with a work folder beside the album, then
    // removes the staging folders and closes the record, also when afterPlaced fails (its error
    // is raised again then).
    void Close(const std::function<void(const std::string& workFolder)>& afterPlaced);

  private:
    // Runs step; an Exception it raises whose message names staged files is raised again as an
    // Exception naming them by their final paths: the user knows the album's files, not where
    // they were written first.
    void NamingFinalPaths(const std::function<void()>& step) const;

    std::string album_;
    std::string outFolder_;
    MadeFolders made_;
    AlbumLock lock_;
    SaveRecord record_;
    std::optional<StagedSave> staged_;
    ReplaceQuestion ask_;
    std::set<std::string> claimed_;
    bool committed_ = false;
};

}  // namespace albumon
