// One save of an album as a whole, rolled back unless committed.
#include "SaveTransaction.h"

#include <exception>

#include "Errors.h"

namespace albumon {

SaveTransaction::SaveTransaction(const std::string& album, const std::string& outFolder,
                                 const std::string& index, ReplaceQuestion ask)
    : album_(album),
      outFolder_(outFolder),
      made_(album),
      lock_(album, index),
      record_(album),
      ask_(std::move(ask)) {
    RecoverKilledSave(record_, album_, outFolder_);
}

void SaveTransaction::Claim(const std::vector<std::string>& targets) {
    std::optional<SavedFiles> record;
    if (record_.HadRecord())
        record = record_.EarlierFiles();
    std::vector<std::string> foreign;
    for (const std::string& file :
         ForeignTargets(targets, album_, record, record_.EarlierOutside())) {
        if (claimed_.count(file) == 0)
            foreign.push_back(file);
    }
    if (foreign.empty())
        return;
    if (!ask_ || !ask_(foreign))
        throw EForeignFiles(foreign);
    claimed_.insert(foreign.begin(), foreign.end());
}

SaveTransaction::~SaveTransaction() {
    if (committed_)
        return;
    if (staged_)
        staged_->Revert();
    staged_.reset();
    record_.Restore();
}

void SaveTransaction::NamingFinalPaths(const std::function<void()>& step) const {
    try {
        step();
    } catch (const Exception& error) {
        std::optional<std::string> named;
        if (staged_)
            named = staged_->Unstaged(error.what());
        if (named)
            throw Exception(*named);
        throw;
    }
}

void SaveTransaction::Write(const std::function<void(StagedSave& staged)>& write) {
    NamingFinalPaths([&] {
        staged_.emplace(record_, album_, outFolder_);
        write(*staged_);
    });
}

void SaveTransaction::Commit() {
    std::vector<std::string> targets;
    for (const StagedFile& file : staged_->Files())
        targets.push_back(file.final);
    Claim(targets);
    NamingFinalPaths([&] {
        staged_->Commit();
        record_.Placed();
    });
    committed_ = true;
    made_.Keep();
    record_.Finish();
}

void SaveTransaction::Close(const std::function<void(const std::string& workFolder)>& afterPlaced) {
    std::exception_ptr failed;
    try {
        if (afterPlaced)
            afterPlaced(staged_->WorkFolder());
    } catch (...) {
        failed = std::current_exception();
    }
    staged_.reset();
    record_.Close();
    if (failed)
        std::rethrow_exception(failed);
}

}  // namespace albumon
