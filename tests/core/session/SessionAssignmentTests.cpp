#include "SessionTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace korvid;
using namespace korvid::test;

namespace
{
    Preset threeStemPreset()
    {
        return makeTestPreset ({ makeTestStem ("Strings", { "vln", "strings" }),
                                 makeTestStem ("Brass", { "brass" }),
                                 makeTestStem ("Piano", { "piano" }) });
    }

    Preset withoutStem (Preset preset, const juce::String& stemId)
    {
        preset.schema.removeStem (stemId);
        return preset;
    }

    // One cue of five tracks under a three-stem preset, assigned automatically:
    // Vln_Pizz -> Strings, Brass_Horns -> Brass, Piano_Main -> Piano, Mystery_01 and
    // Broken (unreadable) -> none.
    struct AssignedSession
    {
        AssignedSession()
        {
            const auto cue = temp.file ("Cue");

            for (auto name : { "Vln_Pizz.wav", "Brass_Horns.wav", "Piano_Main.wav", "Mystery_01.wav" })
                writeShortWav (cue.getChildFile (name));

            writeTextFile (cue.getChildFile ("Broken.wav"), "not audio");
            session.setPreset (threeStemPreset());
            session.importFiles ({ cue.getFullPathName() }, false);
        }

        juce::String id (const juce::String& fileName) const { return trackIdOf (session, fileName); }
        const Track& track (const juce::String& fileName) const { return *session.findTrack (id (fileName)); }

        TempFolder temp;
        Session session;
    };
} // namespace

TEST (SessionAssignment, AutomaticAssignmentMatchesUsableTracksAndExplainsTheRest)
{
    AssignedSession fixture;

    const struct
    {
        const char* fileName;
        const char* stemId;
        AssignmentSource source;
        Confidence confidence;
    } expected[] = {
        { "Vln_Pizz.wav", "stem-Strings", AssignmentSource::automatic, Confidence::confident },
        { "Brass_Horns.wav", "stem-Brass", AssignmentSource::automatic, Confidence::confident },
        { "Piano_Main.wav", "stem-Piano", AssignmentSource::automatic, Confidence::confident },
        { "Mystery_01.wav", "", AssignmentSource::none, Confidence::unassigned },
        { "Broken.wav", "", AssignmentSource::none, Confidence::unassigned },
    };

    for (const auto& e : expected)
    {
        const auto& track = fixture.track (e.fileName);
        EXPECT_EQ (track.stemId, e.stemId) << e.fileName;
        EXPECT_EQ (track.source, e.source) << e.fileName;
        EXPECT_EQ (track.confidence, e.confidence) << e.fileName;
    }

    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").matchedKeywords.joinIntoString ("|"), "vln");
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").candidates.size(), 1u);
    EXPECT_EQ (fixture.track ("Mystery_01.wav").reason, "No keyword from the schema appears in this file name.");
    EXPECT_EQ (fixture.track ("Broken.wav").reason, fixture.track ("Broken.wav").error);
    EXPECT_EQ (fixture.session.unassignedTracks().size(), 2u);
    EXPECT_EQ (fixture.session.countTracksWithConfidence (Confidence::confident), 3);
}

TEST (SessionAssignment, EachOperationNotifiesInItsOrderAndSnapshotsOnlyWhenItShould)
{
    using Operation = std::function<void (AssignedSession&)>;

    const struct
    {
        const char* label;
        Operation operation;
        const char* notifications;
        int snapshots;
    } cases[] = {
        { "autoAssignAll", [] (AssignedSession& f) { f.session.autoAssignAll(); }, "A", 1 },
        { "assign", [] (AssignedSession& f) { f.session.assignTracks ({ f.id ("Vln_Pizz.wav") }, "stem-Brass", false); }, "A", 1 },
        { "assign the same again", [] (AssignedSession& f) { f.session.assignTracks ({ f.id ("Vln_Pizz.wav") }, "stem-Strings", false); }, "A", 1 },
        { "assign unknown track", [] (AssignedSession& f) { f.session.assignTracks ({ "nope" }, "stem-Brass", false); }, "", 0 },
        { "assign unknown stem", [] (AssignedSession& f) { f.session.assignTracks ({ f.id ("Vln_Pizz.wav") }, "stem-Nope", true); }, "", 0 },
        { "unassign", [] (AssignedSession& f) { f.session.assignTracks ({ f.id ("Vln_Pizz.wav") }, {}, false); }, "A", 1 },
        { "lock", [] (AssignedSession& f) { f.session.setTracksLocked ({ f.id ("Vln_Pizz.wav") }, true); }, "A", 1 },
        { "lock a track without stem", [] (AssignedSession& f) { f.session.setTracksLocked ({ f.id ("Mystery_01.wav") }, true); }, "", 0 },
        { "no stale stems", [] (AssignedSession& f) { f.session.clearStaleStemIds(); }, "", 0 },
        { "setPreset", [] (AssignedSession& f) { f.session.setPreset (threeStemPreset()); }, "PA", 1 },
        { "setPreset dropping a used stem", [] (AssignedSession& f) { f.session.setPreset (withoutStem (threeStemPreset(), "stem-Brass")); }, "APA", 2 },
        { "updatePreset colour", [] (AssignedSession& f)
          {
              auto preset = f.session.getPreset();
              preset.schema.stems[0].colour = 0xff123456;
              preset.description = "changed";
              f.session.updatePreset (preset);
          }, "P", 0 },
        { "updatePreset rule that moves a track", [] (AssignedSession& f)
          {
              auto preset = f.session.getPreset();
              preset.schema.findStem ("stem-Piano")->rules.emplace_back ("mystery");
              f.session.updatePreset (preset);
          }, "PA", 1 },
        { "updatePreset rule that moves nothing", [] (AssignedSession& f)
          {
              auto preset = f.session.getPreset();
              preset.schema.findStem ("stem-Piano")->rules.emplace_back ("celesta");
              f.session.updatePreset (preset);
          }, "PA", 0 },
        { "updatePreset deleting a used stem", [] (AssignedSession& f) { f.session.updatePreset (withoutStem (f.session.getPreset(), "stem-Brass")); }, "APA", 1 },
        { "rule learnt", [] (AssignedSession& f) { juce::String e; f.session.addRuleFromReview ("stem-Piano", "keys", e); }, "P", 0 },
        { "rule refused", [] (AssignedSession& f) { juce::String e; f.session.addRuleFromReview ("stem-Piano", " ", e); }, "", 0 },
        { "undo", [] (AssignedSession& f) { f.session.undo(); }, "AT", 0 },
        { "redo at the end", [] (AssignedSession& f) { f.session.redo(); }, "", 0 },
        { "rename track file", [] (AssignedSession& f) { juce::String e; f.session.renameTrackFile (f.id ("Mystery_01.wav"), "Riddle", e); }, "T", 0 },
        { "import a new file", [] (AssignedSession& f)
          {
              writeShortWav (f.temp.file ("Other").getChildFile ("Piano_2.wav"));
              f.session.importFiles ({ f.temp.file ("Other").getFullPathName() }, false);
          }, "TA", 1 },
    };

    for (const auto& c : cases)
    {
        AssignedSession fixture;
        RecordingListener listener (fixture.session);
        const int depth = fixture.session.getUndoDepth();

        c.operation (fixture);

        EXPECT_EQ (listener.take(), c.notifications) << c.label;
        EXPECT_EQ (fixture.session.getUndoDepth() - depth, c.snapshots) << c.label;
    }
}

TEST (SessionAssignment, LocksSurviveAutomaticPassesWhileManualChoicesAreMatchedAgain)
{
    AssignedSession fixture;
    auto& session = fixture.session;
    const auto vln = fixture.id ("Vln_Pizz.wav");
    const auto brass = fixture.id ("Brass_Horns.wav");

    session.assignTracks ({ vln }, "stem-Piano", true);
    session.assignTracks ({ brass }, "stem-Piano", false);
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").reason, "Assigned and locked by the user.");
    EXPECT_EQ (fixture.track ("Brass_Horns.wav").reason, "Assigned by the user.");
    EXPECT_TRUE (fixture.track ("Vln_Pizz.wav").candidates.empty());

    // A rule change re-matches only automatic and unassigned tracks.
    auto preset = session.getPreset();
    preset.schema.findStem ("stem-Strings")->rules.emplace_back ("main");
    session.updatePreset (preset);
    EXPECT_EQ (fixture.track ("Brass_Horns.wav").stemId, "stem-Piano");
    EXPECT_EQ (fixture.track ("Brass_Horns.wav").source, AssignmentSource::manual);

    // A full automatic pass re-matches manual choices but never locked ones.
    session.autoAssignAll();
    session.setPreset (session.getPreset());

    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").stemId, "stem-Piano");
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").source, AssignmentSource::locked);
    EXPECT_EQ (fixture.track ("Brass_Horns.wav").source, AssignmentSource::automatic);

    // Unlocking keeps the stem as a manual choice; locking the unassigned changes nothing.
    session.setTracksLocked ({ vln, fixture.id ("Mystery_01.wav") }, false);
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").source, AssignmentSource::manual);
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").reason, "Assigned and locked by the user.");
    EXPECT_EQ (fixture.track ("Mystery_01.wav").source, AssignmentSource::none);

    session.assignTracks ({ vln }, {}, true);
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").source, AssignmentSource::none);
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").confidence, Confidence::unassigned);
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").reason, "Unassigned by the user.");
}

TEST (SessionAssignment, DeletingAStemUnassignsEvenLockedTracks)
{
    AssignedSession fixture;
    auto& session = fixture.session;
    // Assigning by hand does not test usability, so an unreadable track can hold a stem too.
    session.assignTracks ({ fixture.id ("Broken.wav"), fixture.id ("Mystery_01.wav") }, "stem-Brass", true);

    session.updatePreset (withoutStem (session.getPreset(), "stem-Brass"));

    // Tracks the user had locked on the deleted stem keep the stale-stem reason, so the
    // user sees why they lost their stem; automatic ones are matched anew.
    const struct
    {
        const char* fileName;
        const char* reason;
    } expected[] = {
        { "Broken.wav", "The stem this track was assigned to no longer exists in the schema." },
        { "Mystery_01.wav", "The stem this track was assigned to no longer exists in the schema." },
        { "Brass_Horns.wav", "No keyword from the schema appears in this file name." },
    };

    for (const auto& e : expected)
    {
        const auto& track = fixture.track (e.fileName);
        EXPECT_EQ (track.stemId, "") << e.fileName;
        EXPECT_EQ (track.source, AssignmentSource::none) << e.fileName;
        EXPECT_EQ (track.confidence, Confidence::unassigned) << e.fileName;
        EXPECT_EQ (track.reason, e.reason) << e.fileName;
        EXPECT_TRUE (track.matchedKeywords.isEmpty() && track.candidates.empty()) << e.fileName;
    }
}

TEST (SessionAssignment, HistoryKeeps200SnapshotsAndDropsRedoStepsOnANewChange)
{
    AssignedSession fixture;
    auto& session = fixture.session;
    const auto vln = fixture.id ("Vln_Pizz.wav");
    const juce::StringArray stems { "stem-Strings", "stem-Brass", "stem-Piano" };

    for (int i = 0; i < 250; ++i)
        session.assignTracks ({ vln }, stems[i % 3], false);

    EXPECT_EQ (session.getUndoDepth(), Session::maxSnapshots);
    EXPECT_EQ (session.getUndoIndex(), Session::maxSnapshots - 1);

    int undos = 0;

    while (session.getUndoIndex() > 0)
    {
        session.undo();
        ++undos;
    }

    EXPECT_EQ (undos, 199);
    // Three snapshots came before the assignments and 53 were dropped: the oldest kept
    // one is the state after assignment i = 50.
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").stemId, stems[50 % 3]);

    RecordingListener listener (session);
    session.undo();
    EXPECT_EQ (listener.take(), "");

    session.redo();
    session.redo();
    EXPECT_EQ (session.getUndoIndex(), 2);
    session.assignTracks ({ vln }, "stem-Piano", true);
    EXPECT_EQ (session.getUndoDepth(), 4);
    EXPECT_EQ (session.getUndoIndex(), 3);
    session.redo();
    EXPECT_EQ (listener.take(), "ATATA");    // redo, redo, assign; the last redo did nothing
}

TEST (SessionAssignment, UndoRestoresAssignmentsOnlyAndKeepsImportedTracks)
{
    AssignedSession fixture;
    auto& session = fixture.session;
    session.assignTracks ({ fixture.id ("Mystery_01.wav") }, "stem-Piano", false);

    writeShortWav (fixture.temp.file ("Other").getChildFile ("Brass_2.wav"));
    session.importFiles ({ fixture.temp.file ("Other").getFullPathName() }, false);
    ASSERT_EQ (session.getTracks().size(), 6u);

    session.undo();    // back to before the import's automatic assignment
    EXPECT_EQ (session.getTracks().size(), 6u);
    EXPECT_EQ (fixture.track ("Brass_2.wav").stemId, "stem-Brass");
    session.undo();    // before the manual assignment
    EXPECT_EQ (fixture.track ("Mystery_01.wav").stemId, "");
    EXPECT_EQ (fixture.track ("Mystery_01.wav").reason, "No keyword from the schema appears in this file name.");
}

TEST (SessionAssignment, UndoAndRedoNeverRestoreAStemThatWasDeleted)
{
    AssignedSession fixture;
    auto& session = fixture.session;
    const juce::String stale ("The stem this track was assigned to no longer exists in the schema.");

    session.assignTracks ({ fixture.id ("Mystery_01.wav") }, "stem-Brass", true);
    session.updatePreset (withoutStem (session.getPreset(), "stem-Brass"));
    const int depth = session.getUndoDepth();
    RecordingListener listener (session);

    session.undo();    // this snapshot still names the deleted stem for both tracks

    for (auto name : { "Mystery_01.wav", "Brass_Horns.wav" })
    {
        const auto& track = fixture.track (name);
        EXPECT_EQ (track.stemId, "") << name;
        EXPECT_EQ (track.source, AssignmentSource::none) << name;
        EXPECT_EQ (track.confidence, Confidence::unassigned) << name;
        EXPECT_EQ (track.reason, stale) << name;
        EXPECT_TRUE (track.matchedKeywords.isEmpty()) << name;
    }

    EXPECT_EQ (listener.take(), "AT");
    EXPECT_EQ (session.getUndoDepth(), depth);

    // Further back, stems that still exist come back as they were.
    session.undo();
    EXPECT_EQ (fixture.track ("Vln_Pizz.wav").stemId, "stem-Strings");
    EXPECT_EQ (fixture.track ("Piano_Main.wav").stemId, "stem-Piano");
    EXPECT_EQ (fixture.track ("Brass_Horns.wav").reason, stale);

    session.redo();
    session.redo();
    EXPECT_EQ (listener.take(), "ATATAT");
    EXPECT_EQ (session.getUndoDepth(), depth);
    EXPECT_EQ (session.getUndoIndex(), depth - 1);

    for (const auto& track : session.getTracks())
        EXPECT_TRUE (track.stemId.isEmpty() || session.getPreset().schema.findStem (track.stemId) != nullptr)
            << track.file.getFileName();
}

TEST (SessionAssignment, LearntRulesAndTheirRefusals)
{
    AssignedSession fixture;
    auto& session = fixture.session;

    auto preset = session.getPreset();
    auto* crowded = preset.schema.findStem ("stem-Brass");

    while (crowded->rules.size() < (size_t) Session::maxRulesPerStem)
        crowded->rules.emplace_back ("word" + juce::String ((int) crowded->rules.size()));

    session.updatePreset (preset);

    const struct
    {
        const char* stemId;
        const char* keyword;
        const char* error;
    } refusals[] = {
        { "stem-Nope", "keys", "That stem is not part of the current schema." },
        { "stem-Piano", "  \t ", "A rule needs a keyword." },
        { "stem-Brass", "tuba", "This stem already has the maximum number of rules." },
        { "stem-Strings", "  Strings ", "'Strings' is already a rule for Strings." },
        { "stem-Strings", "VLN", "'VLN' is already a rule for Strings." },
    };

    for (const auto& r : refusals)
    {
        juce::String error;
        EXPECT_FALSE (session.addRuleFromReview (r.stemId, r.keyword, error)) << r.keyword;
        EXPECT_EQ (error, r.error) << r.keyword;
    }

    juce::String error;
    ASSERT_TRUE (session.addRuleFromReview ("stem-Piano", " Mystery ", error));
    ASSERT_TRUE (session.addRuleFromReview ("stem-Piano", "grand  keys", error));

    const auto& rules = session.getPreset().schema.findStem ("stem-Piano")->rules;
    ASSERT_EQ (rules.size(), 3u);
    EXPECT_EQ (rules[1].pattern, "Mystery");
    EXPECT_EQ (rules[1].mode, KeywordMode::token);
    EXPECT_EQ (rules[1].note, "Added from the review screen.");
    EXPECT_EQ (rules[2].mode, KeywordMode::phrase);

    // Learning does not re-match: the track waits for the next automatic pass.
    EXPECT_EQ (fixture.track ("Mystery_01.wav").stemId, "");
    session.autoAssignAll();
    EXPECT_EQ (fixture.track ("Mystery_01.wav").stemId, "stem-Piano");
}

TEST (SessionAssignment, SuggestsFileNameWordsThatNoRuleUses)
{
    TempFolder temp;
    writeShortWav (temp.file ("Cue").getChildFile ("Vln2_Pizz_take12_vln.wav"));

    Session session;
    session.importFiles ({ temp.file ("Cue").getFullPathName() }, false);
    const auto id = trackIds (session)[0];

    EXPECT_EQ (session.suggestKeywords (id).joinIntoString ("|"), "vln|pizz|take");

    session.setPreset (makeTestPreset ({ makeTestStem ("Strings", { "VLN", "sound take" }) }));
    EXPECT_EQ (session.suggestKeywords (id).joinIntoString ("|"), "pizz");
    EXPECT_TRUE (session.suggestKeywords ("no-such-track").isEmpty());
}
