#include "core/model/OutputNaming.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    struct TemporaryFolder
    {
        TemporaryFolder()  { folder.createDirectory(); }
        ~TemporaryFolder() { folder.deleteRecursively(); }

        juce::File touch (const juce::String& name) const
        {
            auto file = folder.getChildFile (name);
            file.replaceWithText ("x");
            return file;
        }

        juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getChildFile ("velvane-naming-" + juce::Uuid().toString());
    };

    NamingValues stringsValues()
    {
        NamingValues values;
        values.publisher = "Pub";
        values.project = "PRJ01";
        values.cue = "Opening";
        values.composer = "Ann";
        values.stemName = "Strings";
        values.stemCode = "STR";
        values.stemIndex = 3;
        return values;
    }
}

TEST (OutputNaming, ExpandsTokens)
{
    const auto base = stringsValues();

    const struct { const char* templateText; std::function<void (NamingValues&)> change; const char* expected; } cases[] {
        { "{publisher}|{project}|{pubcode}|{cue}|{composer}|{version}", {}, "Pub|PRJ01|PRJ01|Opening|Ann|v1" },
        { "{stemName}-{stemCode}-{stemIndex}", {}, "Strings-STR-03" },
        { "{stemIndex}", [] (NamingValues& v) { v.stemIndex = 123; }, "123" },
        { "{stemIndex}", [] (NamingValues& v) { v.stemIndex = -4; v.indexPadding = 0; }, "0" },
        { "{stemIndex}", [] (NamingValues& v) { v.stemIndex = 7; v.indexPadding = 9; }, "000007" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 48000; }, "48k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 44100; }, "44.1k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 88200; }, "88.2k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 96000; }, "96k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 176400; }, "176.4k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 192000; }, "192k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 11025; }, "11k" },
        { "{sampleRate}", [] (NamingValues& v) { v.sampleRate = 47999; }, "48.0k" },
        { "[{sampleRate}]", [] (NamingValues& v) { v.sampleRate = 0; }, "[]" },
        { "{bitDepth}{format}", {}, "24wav" },
        { "{bitDepth}{format}", [] (NamingValues& v) { v.sampleFormat = SampleFormat::float32; v.codec = Codec::flac; }, "32fflac" },
        { "{bitDepth}{format}", [] (NamingValues& v) { v.sampleFormat = SampleFormat::pcm16; v.codec = Codec::aiff; }, "16aiff" },
        { "{bitDepth}{format}", [] (NamingValues& v) { v.codec = Codec::mp3; v.mp3Bitrate = 320; }, "320kmp3" },
        { "{project", {}, "{project" },
        { "a}b{cue}", {}, "a}bOpening" },
    };

    for (const auto& c : cases)
    {
        auto values = base;
        if (c.change)
            c.change (values);
        EXPECT_EQ (expandNamingTemplate (c.templateText, values), c.expected) << c.templateText;
    }
}

TEST (OutputNaming, CollectsUnknownTokensOnce)
{
    juce::StringArray unknown { "{old}" };
    EXPECT_EQ (expandNamingTemplate ("{take}_{cue}_{take}_{StemName}_{old}", stringsValues(), &unknown), "_Opening___");
    EXPECT_EQ (unknown, juce::StringArray ({ "{old}", "{take}", "{StemName}" }));
    EXPECT_EQ (expandNamingTemplate ("{take}", stringsValues(), nullptr), "");
}

TEST (OutputNaming, CollapseSeparatorRuns)
{
    const struct { const char* text; const char* separator; const char* expected; } cases[] {
        { "_Cue1__01_Strings_", "_", "Cue1_01_Strings" },
        { "A_-_B",              "_", "A_B" },
        { "A - B",              "_", "A - B" },
        { "PRJ_44.1k",          "_", "PRJ_44.1k" },
        { " ._A__B._ ",         "",  "A__B" },
        { "A - B",              " - ", "A - B" },
        { "A -  B",             " - ", "A - B" },
        { "___",                "_", "" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (collapseSeparatorRuns (c.text, c.separator), c.expected) << c.text;
}

TEST (OutputNaming, SanitiseFileName)
{
    const struct { const char* name; const char* replacement; const char* fallback; int maxLength; const char* expected; } cases[] {
        { "Drums: Main",      "-", "fb", 0, "Drums- Main" },
        { "  ..Mix.. ",       "-", "fb", 0, "Mix" },
        { "???",              "-", "fb", 0, "fb" },
        { "....",             "-", "fb", 0, "fb" },
        { "- _ .",            "-", "fb", 0, "fb" },
        { "",                 "-", "",   0, "" },
        { "a/b\\c",           "-", "fb", 0, "a-b-c" },
        { "a\tb\x7f" "c",     "_", "fb", 0, "a_b_c" },
        { "a:b",              "",  "fb", 0, "ab" },
        { "a:b",              "?", "fb", 0, "a-b" },       // an unsafe replacement falls back to "-"
        { "a:b",              "\n", "fb", 0, "a-b" },
        { "a:b",              "__", "fb", 0, "a__b" },
        { "con",              "-", "fb", 0, "con_" },
        { "nul",              "-", "fb", 0, "nul_" },
        { "Aux.final",        "-", "fb", 0, "Aux.final_" },
        { "LPT1.final",       "-", "fb", 0, "LPT1.final_" },
        { "COM10",            "-", "fb", 0, "COM10" },
        { "Console",          "-", "fb", 0, "Console" },
        { "Strings Main",     "-", "fb", 5, "Strin" },
        { "Big. Mix",         "-", "fb", 4, "Big" },
        { "Tromb\xc3\xb3n",   "-", "fb", 0, "Tromb\xc3\xb3n" },
        // Direction controls are dropped, so no name can show its extension reversed.
        { "Strings\xe2\x80\xaevaw.exe",                "-", "fb", 0, "Stringsvaw.exe" },
        { "a\xe2\x80\x8e" "b\xe2\x80\x8f" "c\xd8\x9c" "d",   "-", "fb", 0, "abcd" },
        { "\xe2\x80\xaa" "1\xe2\x80\xab" "2\xe2\x80\xac" "3\xe2\x80\xad" "4", "-", "fb", 0, "1234" },
        { "\xe2\x81\xa6" "1\xe2\x81\xa7" "2\xe2\x81\xa8" "3\xe2\x81\xa9", "-", "fb", 0, "123" },
        { "\xe2\x80\xae . \xe2\x81\xa9",              "-", "fb", 0, "fb" },
        { "a\xe2\x80\x8d" "b\xe2\x80\xaf" "c",          "-", "fb", 0, "a\xe2\x80\x8d" "b\xe2\x80\xaf" "c" },   // neighbours stay
        { "a:b",              "\xe2\x80\xae", "fb", 0, "a-b" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (sanitiseFileName (juce::CharPointer_UTF8 (c.name), juce::CharPointer_UTF8 (c.replacement), c.fallback, c.maxLength),
                   juce::String (juce::CharPointer_UTF8 (c.expected))) << c.name;

    // The fallback is used as given, not cleaned.
    EXPECT_EQ (sanitiseFileName ("...", "-", "a:b", 0), "a:b");
}

TEST (OutputNaming, MakeOutputFileName)
{
    const NamingSettings naming;
    auto values = stringsValues();

    EXPECT_EQ (makeOutputFileName (naming.stemTemplate, values, naming), "PRJ01_Opening_03_Strings.wav");

    values.project = "";
    EXPECT_EQ (makeOutputFileName (naming.stemTemplate, values, naming), "Opening_03_Strings.wav");

    values.codec = Codec::aiff;
    EXPECT_EQ (makeOutputFileName ("{cue}:{stemCode}", values, naming), "Opening-STR.aif");

    values.codec = Codec::flac;
    values.stemName = "  Bass ";
    EXPECT_EQ (makeOutputFileName ("{project}", values, naming), "Bass.flac");
    values.stemName = "";
    EXPECT_EQ (makeOutputFileName ("{project}__", values, naming), "stem.flac");

    // The name before the extension is held to 108 characters.
    values.stemName = juce::String::repeatedString ("x", 200);
    EXPECT_EQ (makeOutputFileName ("{stemName}", values, naming), juce::String::repeatedString ("x", 108) + ".flac");

    NamingSettings dashes;
    dashes.separator = "-";
    dashes.replacementChar = "";
    values = stringsValues();
    juce::StringArray unknown;
    // The "?" goes after the runs are tidied, so the "_" before it stays.
    EXPECT_EQ (makeOutputFileName ("{cue}__-{stemName}_{take}?", values, dashes, &unknown), "Opening-Strings_.wav");
    EXPECT_EQ (unknown, juce::StringArray ({ "{take}" }));
}

TEST (OutputNaming, FindFreeFileNameUnderEachPolicy)
{
    TemporaryFolder temp;
    temp.touch ("Cue_Mix_v1.wav");
    temp.touch ("Cue_Mix_v2.wav");
    temp.touch ("Cue_Mix.wav");
    temp.touch ("Take2.wav");
    temp.touch ("12.wav");
    temp.touch ("Bass.wav");
    temp.touch ("Mix_v09.wav");
    temp.touch ("Mix_v99.wav");
    temp.folder.getChildFile ("Folder.wav").createDirectory();   // a folder is in the way too

    const auto longRun = "Mix_v" + juce::String::repeatedString ("9", 30);
    temp.touch (longRun + ".wav");

    // Written in this run and since gone: still taken.
    const juce::StringArray written { temp.folder.getChildFile ("Gone.wav").getFullPathName(),
                                      temp.folder.getChildFile ("gone-2.WAV").getFullPathName() };

    using CP = CollisionPolicy;

    const struct { const char* name; CP policy; bool ok; const char* result; juce::String error; } cases[] {
        { "Free.wav",        CP::abort,            true,  "Free.wav",        {} },
        { "Free.wav",        CP::incrementVersion, true,  "Free.wav",        {} },
        { "Bass.wav",        CP::overwrite,        true,  "Bass.wav",        {} },
        { "Bass.wav",        CP::abort,            false, nullptr,           "'Bass.wav' already exists." },
        { "Cue_Mix_v1.wav",  CP::incrementVersion, true,  "Cue_Mix_v3.wav",  {} },
        { "Cue_Mix.wav",     CP::incrementVersion, true,  "Cue_Mix-2.wav",   {} },
        { "Take2.wav",       CP::incrementVersion, true,  "Take2-2.wav",     {} },
        { "12.wav",          CP::incrementVersion, true,  "12-2.wav",        {} },
        { "Mix_v09.wav",     CP::incrementVersion, true,  "Mix_v10.wav",     {} },
        { "Mix_v99.wav",     CP::incrementVersion, true,  "Mix_v100.wav",    {} },
        { "Folder.wav",      CP::incrementVersion, true,  "Folder-2.wav",    {} },
        { "Gone.wav",        CP::incrementVersion, true,  "Gone-3.wav",      {} },   // gone-2 was written too
        { "GONE.wav",        CP::abort,            false, nullptr,           "Two outputs of this run would both be named 'GONE.wav'." },
        { "Gone.wav",        CP::overwrite,        false, nullptr,           "Two outputs of this run would both be named 'Gone.wav'." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto file = temp.folder.getChildFile (c.name);
        juce::String error;
        EXPECT_EQ (findFreeFileName (file, c.policy, written, error), c.ok);
        EXPECT_EQ (error, c.error);
        EXPECT_EQ (file, temp.folder.getChildFile (c.result != nullptr ? c.result : c.name));
    }

    // A long run of digits counts on as text.
    auto file = temp.folder.getChildFile (longRun + ".wav");
    juce::String error;
    ASSERT_TRUE (findFreeFileName (file, CP::incrementVersion, {}, error));
    EXPECT_EQ (file.getFileName(), "Mix_v1" + juce::String::repeatedString ("0", 30) + ".wav");

    // Overwriting an earlier run's file is fine; the same path written in this run is not.
    auto bass = temp.folder.getChildFile ("Bass.wav");
    EXPECT_FALSE (findFreeFileName (bass, CP::overwrite, { bass.getFullPathName() }, error));
    EXPECT_EQ (error, "Two outputs of this run would both be named 'Bass.wav'.");

    // A file of this run still being written is refused as the file it is about to be.
    auto pending = temp.folder.getChildFile ("Pending.wav");
    const juce::StringArray beingWritten { pending.getFullPathName() };
    EXPECT_FALSE (findFreeFileName (pending, CP::abort, beingWritten, error, &beingWritten));
    EXPECT_EQ (error, "'Pending.wav' already exists.");
    EXPECT_FALSE (findFreeFileName (pending, CP::abort, beingWritten, error));
    EXPECT_EQ (error, "Two outputs of this run would both be named 'Pending.wav'.");
}

TEST (OutputNaming, FindFreeFileNameGivesUpAfter999)
{
    TemporaryFolder temp;
    juce::StringArray written { temp.folder.getChildFile ("Mix.wav").getFullPathName() };

    for (int i = 2; i <= 1000; ++i)
        written.add (temp.folder.getChildFile ("Mix-" + juce::String (i) + ".wav").getFullPathName());

    auto file = temp.folder.getChildFile ("Mix.wav");
    juce::String error;
    EXPECT_FALSE (findFreeFileName (file, CollisionPolicy::incrementVersion, written, error));
    EXPECT_EQ (error, "Could not find a free name for 'Mix.wav'.");

    written.remove (written.size() - 1);   // Mix-1000 is the 999th candidate
    EXPECT_TRUE (findFreeFileName (file, CollisionPolicy::incrementVersion, written, error));
    EXPECT_EQ (file.getFileName(), "Mix-1000.wav");
}

TEST (OutputNaming, ResolveSubFolder)
{
    const juce::File base ("/deliveries/cue");

    const struct { const char* path; bool ok; const char* result; } cases[] {
        { "STEMS/./Mix",       true,  "/deliveries/cue/STEMS/Mix" },
        { "WAV/Hi Res/STEMS",  true,  "/deliveries/cue/WAV/Hi Res/STEMS" },
        { "  ",                true,  "/deliveries/cue" },
        { "a//b/",             true,  "/deliveries/cue/a/b" },
        { " x. / ...",         true,  "/deliveries/cue/x/untitled" },
        { "a\\b",              true,  "/deliveries/cue/a/b" },
        { "../x",              false, nullptr },
        { "a/../../x",         false, nullptr },
        { "/x",                false, nullptr },
        { "\\x",               false, nullptr },
        { "C:\\x",             false, nullptr },
        { "a:b",               false, nullptr },
        { "~/x",               false, nullptr },
    };

    for (const auto& c : cases)
    {
        juce::File result ("/untouched");
        EXPECT_EQ (resolveSubFolder (base, c.path, result), c.ok) << c.path;
        EXPECT_EQ (result.getFullPathName(), c.ok ? c.result : "/untouched") << c.path;
    }

    juce::File result;
    EXPECT_FALSE (resolveSubFolder (juce::File(), "x", result));
}

TEST (OutputNaming, SplitAndJoinTemplates)
{
    const struct { const char* templateText; const char* separator; std::vector<juce::String> pieces; const char* separatorFound; } cases[] {
        { "{project}_{cue}_{stemIndex}_{stemName}", "_", { "#{project}", "#{cue}", "#{stemIndex}", "#{stemName}" }, "_" },
        { "{project} - {cue}",                      "_", { "#{project}", "#{cue}" },                                 " - " },
        { "{cue}",                                  "_", { "#{cue}" },                                               "(untouched)" },
        { "Prefix",                                 "_", { "Prefix" },                                               "(untouched)" },
        { "{cue}_Final_Mix_{stemName}",             "_", { "#{cue}", "Final_Mix", "#{stemName}" },                   "_" },
        { "{cue}.-Mix{stemName}",                   "_", { "#{cue}", "Mix", "#{stemName}" },                         ".-" },
        { "{pubcode}{}{ x }{cue}",                  "_", { "pubcode", "x", "#{cue}" },                               "" },
        { "{cue}_{project",                         "_", { "#{cue}", "{project" },                                   "_" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.templateText);
        juce::String found = "(untouched)";
        const auto pieces = splitNamingTemplate (c.templateText, &found, c.separator);

        std::vector<juce::String> texts;
        for (const auto& piece : pieces)
            texts.push_back ((piece.isToken ? "#" : "") + piece.text);

        EXPECT_EQ (texts, c.pieces);
        EXPECT_EQ (found, c.separatorFound);
    }

    // Round trip: the editor's chips give the template back.
    const juce::String original = "{project}_{cue}_{stemIndex}_{stemName}";
    juce::String separator;
    EXPECT_EQ (joinNamingPieces (splitNamingTemplate (original, &separator, "_"), separator), original);

    EXPECT_EQ (joinNamingPieces ({ { true, "{cue}" }, { false, "" }, { false, "Mix" } }, " - "), "{cue} - Mix");
    EXPECT_EQ (namingTokens().size(), 11);
    EXPECT_EQ (namingTokens()[5], "{stemIndex}");
    EXPECT_EQ (namingSeparatorChars(), "_- .");
}
