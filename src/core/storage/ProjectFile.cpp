#include "core/storage/ProjectFile.h"
#include "core/storage/DocumentReading.h"

#include "core/model/OutputNaming.h"
#include "core/session/Session.h"
#include "core/storage/JsonFieldReaders.h"
#include "core/storage/JsonParsing.h"
#include "core/storage/PresetDocument.h"
#include "core/storage/ProjectPresetReader.h"
#include "core/platform/SafeFileWriter.h"

#include <cmath>
#include <limits>

namespace korvid
{

namespace
{
    const juce::String projectFormat ("velvane.project");
    constexpr int projectSchemaVersion = 1;

    const juce::String notAProject ("That file is not a Velvane project.");
    const juce::String noVersion ("That project file does not say which version it is.");
    const juce::String newerVersion ("That project was saved by a newer version of Velvane. Update to open it.");
    const juce::String noPreset ("That project has no preset in it.");
    const juce::String tooManyFolders ("That project names more folders than Velvane will open.");
    const juce::String tooManyCues ("That project names more cues than Velvane will open.");
    const juce::String tooManyTracks ("That project names more tracks than Velvane will open.");
    const juce::String nothingInIt ("That project has nothing in it.");
    const juce::String tooLarge ("That project file is far larger than any project should be.");

    // A value as text: strings unchanged, numbers in decimal; objects, arrays and
    // absent values give nothing.
    juce::String textForm (const juce::var& value)
    {
        if (value.isString() || isJsonNumber (value) || value.isBool())
            return value.toString();

        return {};
    }

    // A value as a number, never through int first, so 1e10 stays 1e10; a text holding a
    // number counts as that number. Anything else is NaN, which every range test rejects.
    double numberForm (const juce::var& value)
    {
        if (value.isInt())
            return (double) static_cast<int> (value);

        if (value.isInt64())
            return (double) static_cast<juce::int64> (value);

        if (value.isDouble())
            return static_cast<double> (value);

        if (value.isString() && value.toString().trim().isNotEmpty())
            return value.toString().trim().getDoubleValue();

        return std::numeric_limits<double>::quiet_NaN();
    }

    // A relative path would be resolved against whatever the working folder happens to be.
    juce::File fileFromText (const juce::String& text)
    {
        return juce::File::isAbsolutePath (text) ? juce::File (text) : juce::File();
    }

    // The same clean-up the import gives each part, so a hand-edited document cannot
    // steer output folders outside the export folder.
    juce::String cleanRelativeFolder (const juce::String& text)
    {
        juce::StringArray parts;
        parts.addTokens (text, "/\\", {});
        parts.removeEmptyStrings (false);

        for (auto& part : parts)
            part = sanitiseFileName (part, "-", "untitled", 120);

        return parts.joinIntoString ("/");
    }

    const juce::Array<juce::var>* arrayMember (const juce::var& root, const char* key)
    {
        return root[key].getArray();
    }

    juce::var cueToJson (const Cue& cue)
    {
        auto* object = new juce::DynamicObject();
        juce::var value (object);
        object->setProperty ("folder", cue.folder.getFullPathName());
        object->setProperty ("name", cue.name);
        object->setProperty ("included", cue.included);
        object->setProperty ("trimStartSeconds", cue.trimStartSeconds);

        if (! cue.submixOverrides.empty())
        {
            auto* overrides = new juce::DynamicObject();
            juce::var overridesValue (overrides);

            // The map keeps the mix ids in ascending order.
            for (const auto& [mixId, stems] : cue.submixOverrides)
                if (mixId.isNotEmpty())
                    overrides->setProperty (mixId, stems.joinIntoString ("\n"));

            object->setProperty ("submixOverrides", overridesValue);
        }

        object->setProperty ("relativeFolder", cue.relativeFolder);
        return value;
    }

    juce::var trackToJson (const Track& track)
    {
        auto* object = new juce::DynamicObject();
        juce::var value (object);
        object->setProperty ("path", track.file.getFullPathName());
        object->setProperty ("stemId", track.stemId);
        object->setProperty ("source", toString (track.source));
        object->setProperty ("locked", track.source == AssignmentSource::locked);
        return value;
    }

    ProjectCue readCue (const juce::var& entry)
    {
        ProjectCue cue;
        cue.folder = textForm (entry["folder"]);
        cue.name = textForm (entry["name"]);
        cue.included = readProjectBool (entry, "included", true);

        const auto trim = numberForm (entry["trimStartSeconds"]);
        cue.trimStartSeconds = (std::isfinite (trim) && trim > 0.0) ? trim : 0.0;

        if (auto* overrides = entry["submixOverrides"].getDynamicObject())
        {
            for (const auto& member : overrides->getProperties())
            {
                juce::StringArray pieces;
                pieces.addTokens (textForm (member.value), "\n", {});

                juce::StringArray stems;

                for (const auto& piece : pieces)
                    if (piece.trim().isNotEmpty())
                        stems.add (piece);

                cue.submixOverrides[member.name.toString()] = stems;
            }
        }

        if (entry["relativeFolder"].isString())
            cue.relativeFolder = cleanRelativeFolder (entry["relativeFolder"].toString());

        return cue;
    }

    bool readTrack (const juce::var& entry, ProjectTrack& track)
    {
        track.path = textForm (entry["path"]);

        if (track.path.isEmpty())
            return false;

        track.stemId = textForm (entry["stemId"]);

        if (! fromString (textForm (entry["source"]), track.source))
            track.source = AssignmentSource::none;

        track.locked = readProjectBool (entry, "locked", false);
        return true;
    }

    // Reads the rest of the document once the preset is in; false after a refusal.
    bool readEntries (const juce::var& root, ProjectLoadResult& result)
    {
        auto& project = result.project;
        auto& errors = result.validation.errors;

        if (const auto* folders = arrayMember (root, "importedFolders"))
        {
            if (folders->size() > maxProjectEntries)
            {
                errors.add (tooManyFolders);
                return false;
            }

            for (const auto& entry : *folders)
            {
                const auto path = textForm (entry);

                if (path.isEmpty())
                    continue;

                const auto folder = fileFromText (path);

                if (folder != juce::File() && folder.isDirectory())
                    project.importedFolders.add (folder);
                else
                    result.missingFolders.addIfNotAlreadyThere (path);
            }
        }

        if (const auto* cues = arrayMember (root, "cues"))
        {
            if (cues->size() > maxProjectEntries)
            {
                errors.add (tooManyCues);
                return false;
            }

            for (const auto& entry : *cues)
                project.cues.push_back (readCue (entry));
        }

        if (const auto* tracks = arrayMember (root, "tracks"))
        {
            if (tracks->size() > maxProjectEntries)
            {
                errors.add (tooManyTracks);
                return false;
            }

            for (const auto& entry : *tracks)
            {
                ProjectTrack track;

                if (readTrack (entry, track))
                    project.tracks.push_back (std::move (track));
            }
        }

        return true;
    }
} // namespace

bool readProjectBool (const juce::var& object, const juce::String& key, bool defaultValue)
{
    if (! hasJsonField (object, key))
        return defaultValue;

    const auto& value = object[juce::Identifier (key)];
    return value.isBool() ? static_cast<bool> (value) : defaultValue;
}

juce::String writeProjectFile (const Session& session, const juce::String& outputFolder, bool recurseSubfolders)
{
    const auto cues = session.cuesWithTracks();

    juce::Array<juce::var> folders;
    juce::StringArray folderPaths;
    juce::Array<juce::var> cueObjects;

    for (const auto& cue : cues)
    {
        const auto path = cue.folder.getFullPathName();

        if (! folderPaths.contains (path))
        {
            folderPaths.add (path);
            folders.add (path);
        }

        cueObjects.add (cueToJson (cue));
    }

    juce::Array<juce::var> trackObjects;

    for (const auto& track : session.getTracks())
        trackObjects.add (trackToJson (track));

    auto* root = new juce::DynamicObject();
    juce::var rootValue (root);
    root->setProperty ("format", projectFormat);
    root->setProperty ("schemaVersion", projectSchemaVersion);
    root->setProperty ("savedUtc", juce::Time::getCurrentTime().toISO8601 (true));
    root->setProperty ("outputFolder", outputFolder);
    root->setProperty ("recurseSubfolders", recurseSubfolders);
    root->setProperty ("preset", juce::JSON::parse (presetToJson (session.getPreset())));
    root->setProperty ("importedFolders", folders);
    root->setProperty ("cues", cueObjects);
    root->setProperty ("tracks", trackObjects);

    return juce::JSON::toString (rootValue, false, 15);
}

ProjectLoadResult readProjectFile (const juce::String& documentText)
{
    ProjectLoadResult result;
    auto& errors = result.validation.errors;

    juce::var root;
    juce::String parseError;

    if (! parseJsonDocument (documentText, root, parseError) || ! isJsonObject (root)
        || textForm (root["format"]) != projectFormat)
    {
        errors.add (notAProject);
        return result;
    }

    // Compared as a double: a huge version must read as newer, never wrap round to "none".
    const auto version = numberForm (root["schemaVersion"]);

    if (! (version >= 1.0))
    {
        errors.add (noVersion);
        return result;
    }

    if (version >= (double) (projectSchemaVersion + 1))
    {
        errors.add (newerVersion);
        return result;
    }

    const auto& presetDocument = root["preset"];

    if (! isJsonObject (presetDocument))
    {
        errors.add (noPreset);
        return result;
    }

    if (! readProjectPreset (presetDocument, result.project.preset, result.validation))
        return result;

    result.project.outputFolder = fileFromText (textForm (root["outputFolder"]));
    result.project.recurseSubfolders = readProjectBool (root, "recurseSubfolders", true);

    if (! readEntries (root, result))
        return result;

    if (result.project.importedFolders.isEmpty() && result.project.tracks.empty())
        result.validation.warnings.add (nothingInIt);

    result.ok = result.validation.isValid();
    return result;
}

ProjectLoadResult loadProjectFile (const juce::File& file)
{
    ProjectLoadResult result;
    auto& errors = result.validation.errors;

    if (! file.existsAsFile())
    {
        errors.add ("There is no file at " + file.getFullPathName() + ".");
        return result;
    }

    juce::String text;

    switch (readDocumentText (file, maxProjectFileBytes, text))
    {
        case DocumentRead::tooLarge:
            errors.add (tooLarge);
            return result;

        case DocumentRead::unreadable:
            errors.add ("That project file could not be read.");
            return result;

        case DocumentRead::ok:
            break;
    }

    return readProjectFile (text);
}

bool saveProjectFile (const Session& session, const juce::String& outputFolder, const juce::File& target,
                      juce::String& error)
{
    // A project that could not be opened again would lose the session: refuse to write one
    // whose preset the reader would refuse (validation findings alone are fine mid-edit).
    Preset unused;
    ValidationResult findings;

    if (! readProjectPreset (juce::JSON::parse (presetToJson (session.getPreset())), unused, findings))
    {
        error = "The project was not saved because its preset could not be read back: "
              + findings.errors.joinIntoString (" ");
        return false;
    }

    return writeFileSafely (target, writeProjectFile (session, outputFolder, true), error);
}

} // namespace korvid
