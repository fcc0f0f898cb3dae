#include "core/storage/PresetMigration.h"

#include <climits>
#include <cmath>

namespace korvid
{

namespace
{
    const juce::Identifier korvidKey ("korvid");
    const juce::Identifier schemaVersionKey ("schemaVersion");
    const juce::Identifier applicationKey ("application");
    const juce::Identifier presetKey ("preset");

    bool isNumber (const juce::var& value)
    {
        return value.isInt() || value.isInt64() || value.isDouble();
    }

    double asDouble (const juce::var& value)
    {
        if (value.isInt())
            return (double) static_cast<int> (value);

        if (value.isInt64())
            return (double) static_cast<juce::int64> (value);

        return static_cast<double> (value);
    }

    // Removes first: setProperty keeps an old array that merely compares loosely equal
    // to the new one ([true] equals [{...}] for juce::var), so it would not replace it.
    void replaceMember (juce::DynamicObject& object, const juce::Identifier& key, const juce::var& value)
    {
        object.removeProperty (key);
        object.setProperty (key, value);
    }

    // Copies the member under its new key into `target` and removes it from `source`.
    bool moveMember (juce::DynamicObject& source, const juce::Identifier& from,
                     juce::DynamicObject& target, const juce::Identifier& to)
    {
        if (! source.hasProperty (from))
            return false;

        replaceMember (target, to, source.getProperty (from));
        source.removeProperty (from);
        return true;
    }

    juce::var makeRuleObject (const juce::String& pattern)
    {
        auto* rule = new juce::DynamicObject();
        juce::var result (rule);
        rule->setProperty ("pattern", pattern);
        rule->setProperty ("mode", pattern.containsChar (' ') ? "phrase" : "token");
        rule->setProperty ("priority", 0);
        return result;
    }

    bool migrateStem (const juce::var& entry, juce::StringArray& errors)
    {
        auto* stem = entry.getDynamicObject();

        if (stem == nullptr)
        {
            errors.add ("Migration 1->2: a stem entry is not an object.");
            return false;
        }

        if (stem->hasProperty ("keywords"))
        {
            const auto* keywords = stem->getProperty ("keywords").getArray();

            if (keywords == nullptr)
            {
                errors.add ("Migration 1->2: 'keywords' must be an array of strings.");
                return false;
            }

            juce::Array<juce::var> rules;

            for (const auto& keyword : *keywords)
            {
                if (! keyword.isString())
                {
                    errors.add ("Migration 1->2: 'keywords' must contain only strings.");
                    return false;
                }

                rules.add (makeRuleObject (keyword.toString()));
            }

            replaceMember (*stem, "rules", rules);
            stem->removeProperty ("keywords");
        }

        if (stem->hasProperty ("exclude"))
        {
            // Copied out first: the member's storage may move while the new one is added.
            const auto exclusions = stem->getProperty ("exclude");
            replaceMember (*stem, "excludeKeywords", exclusions);
            stem->removeProperty ("exclude");
        }

        return true;
    }

    void regroupExportMembers (juce::DynamicObject& exportObject)
    {
        auto* headroom = new juce::DynamicObject();
        juce::var headroomVar (headroom);
        bool movedHeadroom = false;
        movedHeadroom |= moveMember (exportObject, "headroomDb", *headroom, "targetDb");
        movedHeadroom |= moveMember (exportObject, "peakMode", *headroom, "peakMode");
        movedHeadroom |= moveMember (exportObject, "gainMode", *headroom, "gainMode");

        if (movedHeadroom)
            replaceMember (exportObject, "headroom", headroomVar);

        auto* fullMix = new juce::DynamicObject();
        juce::var fullMixVar (fullMix);
        bool movedFullMix = false;
        movedFullMix |= moveMember (exportObject, "exportFullMix", *fullMix, "export");
        movedFullMix |= moveMember (exportObject, "fullMixName", *fullMix, "name");
        movedFullMix |= moveMember (exportObject, "fullMixCode", *fullMix, "code");

        if (movedFullMix)
            replaceMember (exportObject, "fullMix", fullMixVar);
    }
} // namespace

double readPresetSchemaVersionNumber (const juce::var& root)
{
    auto* rootObject = root.getDynamicObject();

    if (rootObject == nullptr)
        return 0.0;

    // A "korvid" object without a usable number does not end the search.
    if (auto* korvid = rootObject->getProperty (korvidKey).getDynamicObject())
    {
        const auto& version = korvid->getProperty (schemaVersionKey);

        if (isNumber (version))
            return asDouble (version);
    }

    const auto& version = rootObject->getProperty (schemaVersionKey);

    if (isNumber (version))
        return asDouble (version);

    return 0.0;
}

int readPresetSchemaVersion (const juce::var& root)
{
    const auto number = readPresetSchemaVersionNumber (root);

    if (std::isnan (number))
        return 0;

    if (number >= (double) INT_MAX)
        return INT_MAX;

    if (number <= (double) INT_MIN)
        return INT_MIN;

    return (int) std::trunc (number);
}

bool migratePresetV1ToV2 (juce::var& root, juce::StringArray& errors)
{
    auto* rootObject = root.getDynamicObject();

    if (rootObject == nullptr)
    {
        errors.add ("Migration 1->2: the document root is not an object.");
        return false;
    }

    auto* korvid = new juce::DynamicObject();
    juce::var korvidVar (korvid);
    korvid->setProperty (schemaVersionKey, 2);
    korvid->setProperty (applicationKey, "Velvane");
    replaceMember (*rootObject, korvidKey, korvidVar);
    rootObject->removeProperty (schemaVersionKey);

    auto* preset = rootObject->getProperty (presetKey).getDynamicObject();

    if (preset == nullptr)
    {
        errors.add ("Migration 1->2: the 'preset' object is missing.");
        return false;
    }

    // A schema or stem list of the wrong type is left for the reader to report.
    if (auto* schema = preset->getProperty ("schema").getDynamicObject())
    {
        if (const auto* stems = schema->getProperty ("stems").getArray())
            for (const auto& entry : *stems)
                if (! migrateStem (entry, errors))
                    return false;
    }

    if (auto* exportObject = preset->getProperty ("export").getDynamicObject())
        regroupExportMembers (*exportObject);

    return true;
}

bool migratePresetJson (juce::var& root, int foundVersion, int wantedVersion, juce::StringArray& errors)
{
    for (int version = foundVersion; version < wantedVersion; ++version)
    {
        if (version == 1)
        {
            if (! migratePresetV1ToV2 (root, errors))
                return false;
        }
        else if (version == 2)
        {
            auto* rootObject = root.getDynamicObject();

            if (rootObject == nullptr)
            {
                errors.add ("Migration 2->3: the document root is not an object.");
                return false;
            }

            // Only the number changes; a version-2 document that keeps it at the root stays as it is.
            if (auto* korvid = rootObject->getProperty (korvidKey).getDynamicObject())
                korvid->setProperty (schemaVersionKey, 3);
        }
        else
        {
            errors.add ("No migration path from schema version " + juce::String (version) + ".");
            return false;
        }
    }

    return true;
}

} // namespace korvid
