#include "profiles/entry_add_survey.h"

#include <algorithm>
#include <string>
#include <utility>

#include "db/file_io.h"
#include "db/record_heads.h"
#include "profiles/entry_add_shape.h"

namespace letterfreq {

namespace {

// The name get_record gives for each language id: the data block of the
// first record with it, up to its first NUL.
std::vector<std::string> languageNames(const std::string& fileName,
                                       const AddShape& shape) {
  std::vector<std::string> names;
  for (const RecordLayout& record : shape.nameRecords) {
    const std::vector<uint8_t> data =
        readDatabaseRange(fileName, record.dataOffset(), record.dataLength());
    names.emplace_back(data.begin(), std::find(data.begin(), data.end(), 0));
  }
  return names;
}

// The load's warnings about the arrays, language by language in file
// order; false where it stops.
bool warnOfArrays(const AddShape& shape, const LoadHooks& hooks) {
  for (uint32_t id : shape.languageIds) {
    const auto slot = static_cast<size_t>(shape.slots.find(id));
    for (const ArrayCount& count : shape.unusualEntries[slot]) {
      const char* tooMany[2] = {TOO_MANY_COUNT_ARRAYS, TOO_MANY_SORT_ARRAYS};
      const char* missing[2] = {MISSING_COUNT_ARRAY, MISSING_SORT_ARRAY};
      for (int array = 0; array < 2; ++array) {
        if (count[array] > 1 && hooks.warning) hooks.warning(tooMany[array]);
        if (count[array] == 0) {
          if (hooks.warning) hooks.warning(missing[array]);
          return false;
        }
      }
    }
  }
  return true;
}

}  // namespace

AddSurvey surveyForAdd(const std::string& fileName, const LoadHooks& hooks) {
  AddSurvey survey;
  AddShape shape;
  if (!canonicalShape(fileName, shape, survey.pass)) {
    const RecordHeads heads(fileName);
    shape = generalShape(heads);
    survey.pass = heads.pass();
    survey.passes = 2;
  }
  const WalkStop& stop = survey.pass.stop;
  if ((stop.kind == WalkEnd::CutHead || stop.kind == WalkEnd::PastEnd) &&
      hooks.warning) {
    hooks.warning(cutEndWarning(stop.offset));
  }
  throwIfDamage(ReadOperation::QueryLink, stop);

  const std::vector<std::string> names = languageNames(fileName, shape);
  for (uint32_t id : shape.languageIds) {
    LetterProfile language;
    language.recordId = id;
    language.name = names[static_cast<size_t>(shape.slots.find(id))];
    survey.languages.push_back(std::move(language));
  }
  survey.hasFeatureRecords = shape.hasFeatureRecords;
  survey.loadsCompletely = warnOfArrays(shape, hooks);
  return survey;
}

}  // namespace letterfreq
