#include "app/pages/export/ExportAudition.h"

#include "app/AppState.h"
#include "app/pages/export/CueResultList.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportRenderBar.h"
#include "app/pages/export/GatedTrackList.h"
#include "core/audio/AudioReading.h"
#include "core/audio/SilenceGate.h"
#include "core/codec/JuceFileEncoder.h"
#include "core/model/CodecCapabilities.h"
#include "core/platform/PrivateFolders.h"

namespace korvid::ui
{
    namespace
    {
        constexpr juce::int64 maxAuditionFrames = 1000000000;
        constexpr int auditionStopMs = 2000;

        constexpr int sourceHashDigits = 16;   // a 64-bit hash, unsigned, in hexadecimal

        juce::String cleanupKey (const juce::File& source)
        {
            return "cleanup:" + source.getFullPathName();
        }
    }

    juce::String cleanedPreviewPrefix (const juce::File& source)
    {
        // Unsigned and of one width: no prefix is a sign or the start of another source's.
        const auto hash = (juce::uint64) source.getFullPathName().hashCode64();
        return juce::String::toHexString (hash).paddedLeft ('0', sourceHashDigits) + "-";
    }

    juce::String cleanedPreviewName (const juce::File& source, const SilenceGateSettings& gate, double rate)
    {
        const auto settings = juce::String (gate.thresholdDb, 2) + "_" + juce::String (gate.minimumSeconds, 3) + "_"
                            + juce::String (gate.fadeOutSeconds, 3) + "_" + juce::String (gate.fadeInSeconds, 3) + "_"
                            + juce::String (gate.floorDb, 2) + "_" + (gate.enabled ? "on" : "off") + "_"
                            + juce::String (rate, 1) + "_" + juce::String (source.getSize()) + "_"
                            + juce::String (source.getLastModificationTime().toMilliseconds());

        return cleanedPreviewPrefix (source) + juce::String::toHexString ((juce::uint32) settings.hashCode()).paddedLeft ('0', 8)
             + ".wav";
    }

    juce::File cleanedPreviewFolder()
    {
        return privateBaseFolder (AppState::applicationName).getChildFile ("cleanup-preview");
    }

    //==============================================================================
    ExportPage::CleanedAuditionJob::CleanedAuditionJob (juce::Component::SafePointer<ExportPage> owner, Order toRender)
        : juce::ThreadPoolJob ("cleaned audition"), page (owner), order (std::move (toRender))
    {
    }

    bool ExportPage::CleanedAuditionJob::render (const Order& order, juce::String& error, const CancelTest& shouldCancel)
    {
        juce::AudioBuffer<double> buffer;

        if (! readAudioFileForRender (order.source, order.rate, buffer, error, maxAuditionFrames, shouldCancel))
            return false;

        gateSilence (buffer, order.rate, order.gate, shouldCancel);

        if (isCancelled (shouldCancel) || ! preparePrivateFolder (order.cached.getParentDirectory(), error))
            return false;

        EncoderSettings settings;
        settings.codec = Codec::wav;
        settings.sampleFormat = SampleFormat::float32;
        settings.sampleRate = order.rate;
        settings.channels = buffer.getNumChannels();
        settings.mp3Bitrate = 320;
        settings.dither = Dither::none;
        settings.ditherSeed = 1;

        JuceFileEncoder encoder (Codec::wav);
        return encoder.encode (buffer, order.cached, settings, error, shouldCancel);
    }

    juce::ThreadPoolJob::JobStatus ExportPage::CleanedAuditionJob::runJob()
    {
        juce::String error;
        const bool written = render (order, error, [this] { return shouldExit(); });

        // A job asked to stop posts nothing: its page is going or no longer wants it.
        if (shouldExit())
            return jobHasFinished;

        juce::MessageManager::callAsync ([owner = page, id = order.id, cached = order.cached, name = order.name,
                                          written, error]
        {
            if (auto* target = owner.getComponent())
                target->cleanedAuditionFinished (id, cached, name, written, error);
        });

        return jobHasFinished;
    }

    //==============================================================================
    void ExportPage::wireResultLists()
    {
        auto& list = *content->gatedList;
        auto& bar = *renderBar;

        bar.zoomInButton.onClick = [this] { content->gatedList->zoomBy (0.6); };
        bar.zoomOutButton.onClick = [this] { content->gatedList->zoomBy (1.0 / 0.6); };
        bar.wholeTakeButton.onClick = [this] { content->gatedList->resetView(); };
        bar.tallerButton.onClick = [this] { content->gatedList->changeRowHeight (true); };
        bar.shorterButton.onClick = [this] { content->gatedList->changeRowHeight (false); };

        list.onAudition = [this] (const GatedTrackList::Row& row, double seconds)
        {
            if (! row.file.existsAsFile())
                return;

            rememberAudition (row.file, row.fileName, seconds);
            auditionGated (row.file, row.fileName, seconds, true);
        };

        list.onSeekOrAudition = [this] (const GatedTrackList::Row& row, double seconds)
        {
            if (! row.file.existsAsFile() || row.lengthSeconds <= 0.0)
                return;

            auto& preview = appState.preview;

            if (preview.isCurrent (cleanupKey (row.file)) && (preview.playing.load() || preview.loading.load()))
            {
                preview.seekTo (juce::jlimit (0.0, 1.0, seconds / row.lengthSeconds));
                return;
            }

            rememberAudition (row.file, row.fileName, seconds);
            auditionGated (row.file, row.fileName, seconds, false);
        };

        list.isPlaying = [this] (const GatedTrackList::Row& row) { return appState.preview.isCurrent (cleanupKey (row.file)); };

        list.playFraction = [this] (const GatedTrackList::Row& row)
        {
            return appState.preview.isCurrent (cleanupKey (row.file)) ? appState.preview.getPlayFraction() : -1.0;
        };

        list.onToggle = [this] { toggleAudition(); };

        auto& table = *content->cueTable;

        table.onRename = [this] (juce::String cueId, juce::String name)
        {
            if (! appState.session.renameCue (cueId, name))
                return false;

            content->gatedList->renameCue (cueId, name);
            return true;
        };

        table.onIncludedChanged = [this] (juce::String cueId, bool included) { appState.session.setCueIncluded (cueId, included); };
        table.onTrimChanged = [this] (juce::String cueId, double seconds) { appState.session.setCueTrimStart (cueId, seconds); };
    }

    void ExportPage::rememberAudition (const juce::File& file, const juce::String& name, double seconds)
    {
        lastAuditionFile = file;
        lastAuditionName = name;
        lastAuditionSeconds = seconds;
    }

    juce::File ExportPage::cleanedPreviewFile (const juce::File& source) const
    {
        const auto& settings = appState.session.getPreset().exportSettings;
        return cleanedPreviewFolder().getChildFile (cleanedPreviewName (source, settings.silenceGate,
                                                                        nearestSupportedSampleRate (Codec::wav, settings.masterSampleRate)));
    }

    void ExportPage::auditionGated (const juce::File& source, const juce::String& name, double seconds, bool toggle)
    {
        auto& preview = appState.preview;

        if (! preview.deviceOpen)
        {
            showWarning ("No audio output", juce::String ("Velvane")
                                                + " could not open an audio device, so auditioning is unavailable.\n\n"
                                                + preview.deviceError);
            return;
        }

        const auto& settings = appState.session.getPreset().exportSettings;

        // At the project rate, or the nearest one a WAV file stores when the project's is not.
        const double rate = nearestSupportedSampleRate (Codec::wav, settings.masterSampleRate);
        const auto key = cleanupKey (source);
        const auto cached = cleanedPreviewFile (source);

        if (cached.existsAsFile())
        {
            if (toggle)
                preview.playOrStop ({ cached }, rate, name, key, seconds, seconds);
            else
                preview.play ({ cached }, rate, name, key, seconds, seconds);

            playingAudition = cached;

            content->gatedList->repaint();
            return;
        }

        // The same render is under way: a press of its play button takes the request back,
        // anything else only moves where it starts. It is never queued twice.
        if (pendingAudition.id != 0 && pendingAudition.cached == cached)
        {
            if (toggle)
                withdrawPendingAudition();
            else
                pendingAudition.seconds = seconds;

            return;
        }

        if (auditionPool == nullptr)
            auditionPool = std::make_unique<juce::ThreadPool> (1);

        CleanedAuditionJob::Order order;
        order.id = ++auditionRequests;
        order.source = source;
        order.cached = cached;
        order.name = name;
        order.rate = rate;
        order.gate = settings.silenceGate;

        pendingAudition = { order.id, cached, name, key, seconds, rate };
        cachedAuditions.addIfNotAlreadyThere (cached.getFullPathName());   // the page's to remove, ready or not
        setStatusLine ("Preparing " + name + " ...", true);
        auditionPool->addJob (new CleanedAuditionJob (juce::Component::SafePointer<ExportPage> (this), order), true);
    }

    void ExportPage::withdrawPendingAudition()
    {
        pendingAudition = {};
        setStatusLine ({}, false);
    }

    void ExportPage::cleanedAuditionFinished (int id, const juce::File& cached, const juce::String& name, bool written,
                                              const juce::String& error)
    {
        if (written)
        {
            cachedAuditions.addIfNotAlreadyThere (cached.getFullPathName());
            removeOlderAuditions (cached);
        }

        // Only the latest request may play, and only while it has not been taken back.
        if (id != pendingAudition.id)
            return;

        const auto request = pendingAudition;
        pendingAudition = {};

        if (! written)
        {
            setStatusLine ("Could not prepare " + name + ": " + error, true);
            return;
        }

        setStatusLine ({}, false);
        appState.preview.play ({ cached }, request.rate, request.name, request.key, request.seconds, request.seconds);
        playingAudition = cached;
        content->gatedList->repaint();
    }

    void ExportPage::removeOlderAuditions (const juce::File& newest)
    {
        // Older versions of the same source only: they share its whole fixed-width prefix.
        const auto prefix = newest.getFileName().substring (0, sourceHashDigits + 1);
        const auto& preview = appState.preview;
        const bool somethingPlays = preview.playing.load() || preview.loading.load();

        for (const auto& entry : juce::RangedDirectoryIterator (newest.getParentDirectory(), false, "*", juce::File::findFiles))
        {
            const auto file = entry.getFile();

            // The one playing stays until something newer plays.
            if (file == newest || ! file.getFileName().startsWith (prefix) || (somethingPlays && file == playingAudition))
                continue;

            file.deleteFile();
            cachedAuditions.removeString (file.getFullPathName());
        }
    }

    void ExportPage::toggleAudition()
    {
        auto& preview = appState.preview;

        // A stop takes back a cleaned version still being prepared.
        if (pendingAudition.id != 0)
        {
            withdrawPendingAudition();
            content->gatedList->repaint();
            return;
        }

        if (preview.playing.load() || preview.loading.load())
        {
            preview.stop();
            content->gatedList->repaint();
            return;
        }

        if (lastAuditionFile.existsAsFile())
        {
            auditionGated (lastAuditionFile, lastAuditionName, lastAuditionSeconds, false);
            content->gatedList->repaint();
            return;
        }

        auto& list = *content->gatedList;

        if (! list.isVisible() || ! list.onAudition)
            return;

        for (size_t i = 0; i < list.getRows().size(); ++i)
        {
            if (list.getCollapsedCues().contains (list.getRows()[i].cueName))
                continue;

            const auto row = list.getRows()[i];
            list.onAudition (row, GatedTrackList::playStartSeconds (row));
            return;
        }
    }

    bool ExportPage::jumpGatedAudition (bool forward)
    {
        return content->gatedList->isVisible() && content->gatedList->jumpPlaying (forward);
    }

    void ExportPage::stopAuditions()
    {
        pendingAudition = {};

        if (auditionPool != nullptr)
            auditionPool->removeAllJobs (true, auditionStopMs);

        // The cleaned versions this page wrote go with it.
        for (const auto& path : cachedAuditions)
            juce::File (path).deleteFile();

        cachedAuditions.clear();
    }
}
