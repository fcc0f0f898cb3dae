#include "core/audio/FlacFileReader.h"

#include "core/audio/AudioReadSentences.h"

#include <cstring>

namespace korvid
{

namespace
{
constexpr int maxFlacBlock = 65536;

FlacFileReader& readerOf (void* client)
{
    return *static_cast<FlacFileReader*> (client);
}
} // namespace

FlacFileReader::FlacFileReader (juce::InputStream* stream)
    : juce::AudioFormatReader (stream, "FLAC file")
{
    lengthInSamples = 0;
    decoder = FLAC__stream_decoder_new();

    if (decoder == nullptr)
        return;

    FLAC__stream_decoder_set_md5_checking (decoder, false);

    if (FLAC__stream_decoder_init_stream (decoder, readBytes, seekBytes, tellBytes, streamLength, endOfStream,
                                          frameDecoded, metadataDecoded, decoderError, this)
        != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        return;

    if (! FLAC__stream_decoder_process_until_end_of_metadata (decoder) || ! haveStreamInfo)
        return;

    if (failed)
    {
        openRefusal = damagedAudioSentence;
        return;
    }

    nextFrameStart = 0;

    // A stream written to a pipe gives no total: count its frames once, to its end.
    if (lengthInSamples == 0)
    {
        counting = true;
        const bool decoded = FLAC__stream_decoder_process_until_end_of_stream (decoder);
        counting = false;

        if (! decoded || failed || FLAC__stream_decoder_get_state (decoder) != FLAC__STREAM_DECODER_END_OF_STREAM
            || ! rewind())
        {
            openRefusal = damagedAudioSentence;
            return;
        }

        lengthInSamples = countedFrames;
    }

    open = true;
}

FlacFileReader::~FlacFileReader()
{
    if (decoder != nullptr)
        FLAC__stream_decoder_delete (decoder);
}

bool FlacFileReader::readSamples (int* const* destSamples, int numDestChannels, int startOffsetInDestBuffer,
                                  juce::int64 startSampleInFile, int numSamples)
{
    clearSamplesBeyondAvailableLength (destSamples, numDestChannels, startOffsetInDestBuffer,
                                       startSampleInFile, numSamples, lengthInSamples);

    if (numSamples <= 0)
        return true;

    if (! open)
        return false;

    const int channels = juce::jmin (numDestChannels, (int) numChannels);
    const juce::int64 end = startSampleInFile + numSamples;
    failed = false;

    for (juce::int64 position = startSampleInFile; position < end;)
    {
        if (! frameCovers (position))
        {
            // Close ahead: decode on; otherwise seek to just before the position.
            const bool closeAhead = nextFrameStart >= 0 && nextFrameStart <= position
                                 && position - nextFrameStart < largestBlock;

            if (! closeAhead && ! moveBefore (position))
                return false;

            while (! frameCovers (position))
                if (! decodeNextFrame())
                    return false;
        }

        const auto offset = (int) (position - frameStart);
        const auto count = (int) juce::jmin (end - position, (juce::int64) (frameLength - offset));
        const auto target = startOffsetInDestBuffer + (int) (position - startSampleInFile);

        for (int channel = 0; channel < channels; ++channel)
            if (destSamples[channel] != nullptr)
                std::memcpy (destSamples[channel] + target, frameSamples[(size_t) channel].data() + offset,
                             (size_t) count * sizeof (int));

        position += count;
    }

    return true;
}

bool FlacFileReader::frameCovers (juce::int64 position) const
{
    return frameLength > 0 && position >= frameStart && position < frameStart + frameLength;
}

bool FlacFileReader::decodeNextFrame()
{
    frameLength = 0;
    frameArrived = false;

    // One call decodes one metadata block or one frame; the stream's end or an error
    // without a frame ends the read.
    while (! frameArrived)
    {
        const bool decoded = FLAC__stream_decoder_process_single (decoder);

        if (! decoded || failed)
            break;

        const auto state = FLAC__stream_decoder_get_state (decoder);

        if (! frameArrived && state != FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC
            && state != FLAC__STREAM_DECODER_READ_FRAME && state != FLAC__STREAM_DECODER_READ_METADATA)
            break;
    }

    if (frameArrived && ! failed && frameLength > 0)
        return true;

    // The decoder's place is no longer known; the next read finds it again.
    frameLength = 0;
    nextFrameStart = -1;
    return false;
}

bool FlacFileReader::moveBefore (juce::int64 position)
{
    frameLength = 0;

    // The frame libFLAC lands in ends at most one largest block after where it lands, so
    // every frame from the position on is decoded afterwards, with errors reported.
    if (position >= largestBlock && seekTo (position - largestBlock) && nextFrameStart <= position)
        return true;

    return rewind();
}

bool FlacFileReader::seekTo (juce::int64 position)
{
    if (FLAC__stream_decoder_get_state (decoder) == FLAC__STREAM_DECODER_SEEK_ERROR)
        FLAC__stream_decoder_flush (decoder);

    nextFrameStart = -1;
    seeking = true;
    const bool sought = FLAC__stream_decoder_seek_absolute (decoder, (FLAC__uint64) position);
    seeking = false;
    failed = false;

    if (! sought)
    {
        FLAC__stream_decoder_flush (decoder);
        nextFrameStart = -1;
        return false;
    }

    return nextFrameStart >= 0;
}

bool FlacFileReader::rewind()
{
    frameLength = 0;
    nextFrameStart = -1;
    failed = false;

    if (! FLAC__stream_decoder_reset (decoder) || ! FLAC__stream_decoder_process_until_end_of_metadata (decoder)
        || failed)
        return false;

    nextFrameStart = 0;
    return true;
}

void FlacFileReader::takeStreamInfo (const FLAC__StreamMetadata& metadata)
{
    // Read again after every rewind; only the first one counts.
    if (metadata.type != FLAC__METADATA_TYPE_STREAMINFO || haveStreamInfo)
        return;

    const auto& info = metadata.data.stream_info;
    sampleRate = (double) info.sample_rate;
    numChannels = info.channels;
    bitsPerSample = info.bits_per_sample;
    lengthInSamples = (juce::int64) info.total_samples;
    largestBlock = info.max_blocksize > 0 ? (int) info.max_blocksize : maxFlacBlock;
    frameSamples.assign (numChannels, std::vector<int> ((size_t) largestBlock));
    haveStreamInfo = true;
}

void FlacFileReader::takeFrame (const FLAC__Frame& frame, const FLAC__int32* const* channels)
{
    const auto& header = frame.header;
    const auto start = (juce::int64) header.number.sample_number;
    const auto length = (int) header.blocksize;
    const auto bits = (int) header.bits_per_sample;

    // libFLAC numbers every frame by its first sample; after a seek the frame it hands on
    // starts where the seek asked for.
    if (header.number_type != FLAC__FRAME_NUMBER_TYPE_SAMPLE_NUMBER || header.channels != numChannels
        || bits < 1 || bits > 32 || length < 1 || (! seeking && nextFrameStart >= 0 && start != nextFrameStart))
    {
        failed = true;
        return;
    }

    nextFrameStart = start + length;
    frameArrived = true;

    if (counting)
    {
        countedFrames += length;
        return;
    }

    if (seeking)
        return;

    for (int channel = 0; channel < (int) numChannels; ++channel)
    {
        auto& samples = frameSamples[(size_t) channel];

        if ((int) samples.size() < length)
            samples.resize ((size_t) length);

        const auto shift = 32 - bits;
        const FLAC__int32* source = channels[channel];

        for (int i = 0; i < length; ++i)
            samples[(size_t) i] = (int) ((juce::uint32) source[i] << shift);
    }

    frameStart = start;
    frameLength = length;
}

FLAC__StreamDecoderReadStatus FlacFileReader::readBytes (const FLAC__StreamDecoder*, FLAC__byte* buffer, size_t* bytes,
                                                         void* client)
{
    const auto wanted = (int) juce::jmin (*bytes, (size_t) 1 << 20);
    const auto got = wanted > 0 ? readerOf (client).input->read (buffer, wanted) : 0;

    if (got <= 0)
    {
        *bytes = 0;
        return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
    }

    *bytes = (size_t) got;
    return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderSeekStatus FlacFileReader::seekBytes (const FLAC__StreamDecoder*, FLAC__uint64 position, void* client)
{
    auto& input = *readerOf (client).input;

    if (position > (FLAC__uint64) input.getTotalLength() || ! input.setPosition ((juce::int64) position))
        return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;

    return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
}

FLAC__StreamDecoderTellStatus FlacFileReader::tellBytes (const FLAC__StreamDecoder*, FLAC__uint64* position, void* client)
{
    *position = (FLAC__uint64) readerOf (client).input->getPosition();
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus FlacFileReader::streamLength (const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                              void* client)
{
    const auto total = readerOf (client).input->getTotalLength();

    if (total < 0)
        return FLAC__STREAM_DECODER_LENGTH_STATUS_UNSUPPORTED;

    *length = (FLAC__uint64) total;
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool FlacFileReader::endOfStream (const FLAC__StreamDecoder*, void* client)
{
    return readerOf (client).input->isExhausted();
}

FLAC__StreamDecoderWriteStatus FlacFileReader::frameDecoded (const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                             const FLAC__int32* const channels[], void* client)
{
    readerOf (client).takeFrame (*frame, channels);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FlacFileReader::metadataDecoded (const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client)
{
    readerOf (client).takeStreamInfo (*metadata);
}

void FlacFileReader::decoderError (const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client)
{
    readerOf (client).failed = true;
}

} // namespace korvid
