// Computing entries ahead of the writing on worker threads.
#include "EntryPipeline.h"

#include <new>
#include <system_error>

#include "ScreenPictures.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/PictureView.h"

namespace albumon {

namespace {

// A HEIF, PNG or WebP source: one decode gives the thumbnail, the converted picture and the
// screen sizes.
EntryResult ComputeConvertedEntry(const EntryJob& job) {
    EntryResult result;
    try {
        ConvertedEntry entry = MakeConvertedEntry(job.SourcePath, job.Rotation, job.PanelWidth,
                                                  job.ThumbSize, job.Photo, job.ScreenSides);
        result.Thumbnail = std::move(entry.thumbnail);
        result.Picture = {false, std::move(entry.picture)};
        result.Screens = std::move(entry.screens);
        result.HasLocation = !job.Photo.StripLocation && CarriesLocation(result.Picture.bytes);
        if (entry.noPreview)
            result.Notices.push_back(pnNoPicture);
    } catch (...) {
        result.ThumbnailError = std::current_exception();
    }
    return result;
}

EntryResult ComputeJpegEntry(PictureView& view, const EntryJob& job) {
    EntryResult result;
    view.ClearPicture();
    try {
        bool noPreview = false;
        JpegDamage damage = jdNone;
        result.Thumbnail = MakeThumbnail(view, job.SourcePath, job.Rotation, job.PanelWidth,
                                         job.ThumbSize, &noPreview, &damage);
        if (noPreview)
            result.Notices.push_back(pnNoPreview);
        else if (damage != jdNone)
            result.Notices.push_back(damage == jdCut ? pnCut : pnCorrupt);
    } catch (...) {
        result.ThumbnailError = std::current_exception();
        view.ClearPicture();
        return result;
    }
    // The source as the thumbnail read it serves the location count and the screen sizes, and a
    // turned output's full-size decode serves the screen sizes too.
    std::shared_ptr<const TJPEGData> source = view.Jpeg() ? view.Jpeg()->Data() : nullptr;
    Raster decoded;
    try {
        result.Picture = MakeOutputPicture(view, job.SourcePath, job.Rotation, job.Quality,
                                           job.Photo, job.ScreenSides.empty() ? nullptr : &decoded);
        if (result.Picture.turnFailed)
            result.Notices.push_back(pnTurnFailed);
        if (result.Picture.losslessFellBack)
            result.Notices.push_back(pnLosslessFellBack);
        if (result.Picture.metadataDropped)
            result.Notices.push_back(pnMetadataDropped);
    } catch (...) {
        result.PictureError = std::current_exception();
    }
    view.ClearPicture();
    try {
        if (!result.PictureError)
            AddScreenSizes(job, result, std::move(source), std::move(decoded));
    } catch (...) {
        result.PictureError = std::current_exception();
    }
    return result;
}

// The notice for an error that is a shortage of memory or of threads, not a fault of the picture.
std::optional<PictureNotice> ShortageOf(const std::exception_ptr& error) {
    if (!error)
        return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return pnNoMemory;
    } catch (const std::system_error& refused) {
        if (refused.code() == std::errc::resource_unavailable_try_again ||
            refused.code() == std::errc::not_enough_memory)
            return pnNoThread;
    } catch (...) {
    }
    return std::nullopt;
}

// An entry cut short by a shortage: "no preview" for both its files (a copy of the source could
// keep a location the save is to leave out), and the notice naming it. When even that cannot be
// made, the shortage stays the entry's error.
void StandIn(const EntryJob& job, PictureNotice why, EntryResult& result) {
    try {
        EntryResult standIn;
        standIn.Thumbnail = PlaceholderThumbnail(job.Rotation, job.ThumbSize);
        standIn.Picture = {false, PlaceholderJpeg()};
        standIn.Notices.push_back(why);
        result = std::move(standIn);
    } catch (...) {
    }
}

}  // namespace

EntryResult ComputeEntry(PictureView& view, const EntryJob& job) {
    EntryResult result;
    try {
        result = IsConvertedSource(job.SourcePath) ? ComputeConvertedEntry(job)
                                                   : ComputeJpegEntry(view, job);
    } catch (...) {
        view.ClearPicture();
        result.ThumbnailError = std::current_exception();
    }
    for (const std::exception_ptr& error : {result.ThumbnailError, result.PictureError}) {
        if (const std::optional<PictureNotice> why = ShortageOf(error)) {
            StandIn(job, *why, result);
            break;
        }
    }
    return result;
}

EntryPipeline::EntryPipeline(std::vector<EntryJob> jobs, int workers, int ahead)
    : jobs_(std::move(jobs)), results_(jobs_.size()), ahead_(ahead < 1 ? 1 : ahead) {
    for (int i = 0; i < workers; ++i) {
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

EntryPipeline::~EntryPipeline() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void EntryPipeline::Work() {
    PictureView view;
    const int count = static_cast<int>(jobs_.size());
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stop_ || (next_ < count && next_ < taken_ + ahead_); });
        if (stop_)
            return;
        const int k = next_++;
        lock.unlock();
        EntryResult result = ComputeEntry(view, jobs_[k]);
        lock.lock();
        results_[k] = std::move(result);
        changed_.notify_all();
    }
}

EntryResult EntryPipeline::Take(int k) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return results_[k].has_value(); });
    EntryResult result = std::move(*results_[k]);
    results_[k].reset();
    taken_ = k + 1;
    changed_.notify_all();
    return result;
}

}  // namespace albumon
