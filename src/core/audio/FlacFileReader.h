#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <FLAC/stream_decoder.h>

#include <vector>

namespace korvid
{

/** Reads a FLAC stream through libFLAC, exactly or not at all: a range read gives the
    samples a whole read gives at those positions, whatever the block sizes, and a read
    fails on a decoder error, a lost sync, a frame out of sequence or a stream that ends
    before the frames asked for. A stream whose header gives no total length is decoded
    once when it is opened, to count its frames.

    Frames decoded while libFLAC seeks are never used: the seek goes to one largest block
    before the position asked for, so every frame a read uses is decoded with its errors
    reported. */
class FlacFileReader final : public juce::AudioFormatReader
{
public:
    /** Takes the stream, positioned at the start of the FLAC stream. */
    explicit FlacFileReader (juce::InputStream* stream);
    ~FlacFileReader() override;

    /** False when the stream could not be opened; see refusal(). */
    bool isOpen() const { return open; }

    /** Why a FLAC stream could not be opened; empty when it is no FLAC stream at all. */
    const juce::String& refusal() const { return openRefusal; }

    bool readSamples (int* const* destSamples, int numDestChannels, int startOffsetInDestBuffer,
                      juce::int64 startSampleInFile, int numSamples) override;

private:
    bool frameCovers (juce::int64 position) const;
    bool decodeNextFrame();
    bool moveBefore (juce::int64 position);
    bool seekTo (juce::int64 position);
    bool rewind();
    void takeStreamInfo (const FLAC__StreamMetadata& metadata);
    void takeFrame (const FLAC__Frame& frame, const FLAC__int32* const* channels);

    static FLAC__StreamDecoderReadStatus readBytes (const FLAC__StreamDecoder*, FLAC__byte*, size_t*, void*);
    static FLAC__StreamDecoderSeekStatus seekBytes (const FLAC__StreamDecoder*, FLAC__uint64, void*);
    static FLAC__StreamDecoderTellStatus tellBytes (const FLAC__StreamDecoder*, FLAC__uint64*, void*);
    static FLAC__StreamDecoderLengthStatus streamLength (const FLAC__StreamDecoder*, FLAC__uint64*, void*);
    static FLAC__bool endOfStream (const FLAC__StreamDecoder*, void*);
    static FLAC__StreamDecoderWriteStatus frameDecoded (const FLAC__StreamDecoder*, const FLAC__Frame*,
                                                        const FLAC__int32* const[], void*);
    static void metadataDecoded (const FLAC__StreamDecoder*, const FLAC__StreamMetadata*, void*);
    static void decoderError (const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*);

    FLAC__StreamDecoder* decoder = nullptr;
    bool open = false;
    juce::String openRefusal;

    bool haveStreamInfo = false;
    int largestBlock = 65536;           // frames of the largest block the stream may hold

    bool failed = false;                // an error since the last check
    bool seeking = false;               // libFLAC is seeking: its frame is not used
    bool counting = false;              // only counting frames, when the header gives no total
    bool frameArrived = false;
    juce::int64 countedFrames = 0;

    std::vector<std::vector<int>> frameSamples;   // the current frame, the file's bits at the top
    juce::int64 frameStart = 0;
    int frameLength = 0;
    juce::int64 nextFrameStart = -1;    // where the next decoded frame must begin; -1 unknown
};

} // namespace korvid
