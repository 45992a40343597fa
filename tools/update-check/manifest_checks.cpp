#include "manifest_checks.h"

#include "findings.h"
#include "script/contract.h"
#include "script/manifest.h"
#include "script/text_reader.h"
#include "script/values.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "value_checks.h"

#include <stdio.h>
#include <string.h>

// What the file should have been, in the words of a finding, by group.
static const char *Expected(ManifestGroup group) {
    return group == GROUP_INPUT ? "the update shipped it" : "the version the update is for has it";
}

static void ReportFile(const char *manifest, const ManifestLine *line,
                       const FileJudgement *judgement) {
    const char *group = ManifestGroupWords[line->group];
    const char *cause = line->group == GROUP_INPUT ? "the update is damaged or incomplete"
                                                   : "the product is another version";
    if (judgement->verdict == FILE_UNREADABLE)
        Report(manifest, line->number, "%s %s cannot be read (error %d): the wizard stops", group,
               line->name, judgement->error);
    else if (judgement->verdict == FILE_MISSING)
        Report(manifest, line->number, "%s %s does not exist: %s; the wizard stops", group,
               line->name, cause);
    else
        Report(manifest, line->number,
               "%s %s is not as %s (%lld bytes, expected %lld): %s; the wizard stops", group,
               line->name, Expected(line->group), (long long)judgement->size, (long long)line->size,
               cause);
}

// The first field of a PRECHECK key, as the planning pass takes it.
static void PrecheckName(const ContractKey *key, char *dest, size_t size) {
    char value[NAME_SIZE] = "";
    char *field = nullptr;
    GetSectionValue(key->section, key->key, value, sizeof value);
    snprintf(dest, size, "%s", SplitCommaFields(value, &field, 1) == 1 ? field : "");
}

void CheckManifest(const char *script) {
    char name[NAME_SIZE] = "", utility[NAME_SIZE], archive[NAME_SIZE] = "";
    if (!GetSectionValue(ManifestKey.section, ManifestKey.key, name, sizeof name) ||
        name[0] == '\0')
        return;
    uint32_t keyLine = CurrentLineNumber();
    CheckName(script, keyLine, ManifestKey.key, name);
    GetSectionValue(ArchiveKey.section, ArchiveKey.key, archive, sizeof archive);
    PrecheckName(&UtilityKey, utility, sizeof utility);
    Manifest manifest;
    int error = LoadManifest(name, &manifest);
    if (error != 0) {
        Report(script, keyLine,
               IsMissingError(error) ? "manifest %s (MANIFEST) does not exist: the wizard stops"
                                     : "manifest %s (MANIFEST) cannot be read: the wizard stops",
               name);
        return;
    }
    NoteFile(name);
    if (manifest.damaged != 0)
        Report(name, manifest.damaged,
               "not a line of a manifest, or the manifest is cut short: the update is damaged; "
               "the wizard stops");
    // The wizard accepts any archive while its record shows the update under
    // way; the record's own form is the wizard's business, its presence is
    // enough here.
    int underWay = FileExists(RecordFile);
    for (size_t i = 0; i < manifest.count && manifest.damaged == 0; i++) {
        const ManifestLine *line = &manifest.lines[i];
        if (!JudgedAt(line->group, STAGE_BEFORE))
            continue;
        FileJudgement judgement;
        JudgeFile(&manifest, line, STAGE_BEFORE, underWay, nullptr, &judgement);
        // A missing utility or archive has its finding already.
        int reported = judgement.verdict == FILE_MISSING &&
                       (strcmp(line->name, utility) == 0 || strcmp(line->name, archive) == 0);
        if (judgement.verdict != FILE_AS_EXPECTED && !reported)
            ReportFile(name, line, &judgement);
    }
    FreeManifest(&manifest);
}
