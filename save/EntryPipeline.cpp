// Computing entries ahead of the writing on worker threads.
#include "EntryPipeline.h"

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

}  // namespace

EntryResult ComputeEntry(PictureView& view, const EntryJob& job) {
    if (IsConvertedSource(job.SourcePath))
        return ComputeConvertedEntry(job);
    EntryResult result;
    view.ClearPicture();
    try {
        bool noPreview = false;
        result.Thumbnail = MakeThumbnail(view, job.SourcePath, job.Rotation, job.PanelWidth,
                                         job.ThumbSize, &noPreview);
        if (noPreview)
            result.Notices.push_back(pnNoPreview);
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
