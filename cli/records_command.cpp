// letterfreq-cli records --db FILE [--json]: lists the database's records
// in file order as the record engine reads them. Reads only: never creates
// or writes the file. A damaged file fails with the engine's "!" line and
// prints no listing.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "cli/database_arg.h"
#include "db/record_snapshot.h"
#include "db/record_walk.h"

namespace letterfreq {

namespace {

struct RecordsOptions {
  std::string database;
  bool json = false;
};

// "target:kind" pairs joined by commas, "-" for none.
std::string linksText(const Record& record) {
  if (record.linkCount() == 0) return "-";
  std::string text;
  for (uint8_t i = 0; i < record.linkCount(); ++i) {
    if (i > 0) text += ",";
    text += std::to_string(record.link(i).target) + ":" +
            std::to_string(record.link(i).kind);
  }
  return text;
}

std::string textListing(const RecordSnapshot& snapshot) {
  std::string text;
  for (const RecordLayout& layout : snapshot.records()) {
    const Record record = decodeRecord(snapshot.bytes().data(), layout);
    text += std::to_string(layout.offset) + "\t" + std::to_string(layout.id) +
            "\t" + std::to_string(layout.bodyLength) + "\t" +
            std::to_string(record.fieldCount()) + "\t" + linksText(record) +
            "\t" + std::to_string(record.dataLength()) + "\n";
  }
  return text;
}

std::string jsonListing(const RecordSnapshot& snapshot) {
  nlohmann::ordered_json records = nlohmann::ordered_json::array();
  for (const RecordLayout& layout : snapshot.records()) {
    const Record record = decodeRecord(snapshot.bytes().data(), layout);
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    for (uint8_t i = 0; i < record.fieldCount(); ++i) {
      const RecordField& field = record.field(i);
      fields.push_back(
          {{"tag", field.tag}, {"kind", field.kind}, {"value", field.value}});
    }
    nlohmann::ordered_json links = nlohmann::ordered_json::array();
    for (uint8_t i = 0; i < record.linkCount(); ++i) {
      links.push_back(
          {{"target", record.link(i).target}, {"kind", record.link(i).kind}});
    }
    records.push_back({{"offset", layout.offset},
                       {"id", layout.id},
                       {"bodyLength", layout.bodyLength},
                       {"fields", fields},
                       {"links", links},
                       {"dataLength", record.dataLength()}});
  }
  nlohmann::ordered_json whole = {{"records", records}};
  return whole.dump() + "\n";
}

int runRecords(const RecordsOptions& options, CliContext& context) {
  if (!databaseFound(options.database, context.err)) return 1;
  const int status = runOnDatabase(options.database, context.err, [&] {
    const RecordSnapshot snapshot(options.database);
    snapshot.query_all();  // the engine's own error for a damaged listing
    const WalkStop& stop = snapshot.stop();
    if (stop.kind == WalkEnd::CutHead || stop.kind == WalkEnd::PastEnd) {
      // A last record that cannot be read whole.
      throw std::runtime_error(endsInsideRecordText("records", stop.offset));
    }
    context.out << (options.json ? jsonListing(snapshot)
                                 : textListing(snapshot));
    return 0;
  });
  if (status != 0) return status;
  context.out.flush();
  return 0;
}

}  // namespace

void addRecordsCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<RecordsOptions>();
  CLI::App* command = app.add_subcommand(
      "records",
      "List the database's records in file order, one a line: "
      "OFFSET<TAB>ID<TAB>BODYLENGTH<TAB>FIELDCOUNT<TAB>LINKS<TAB>DATALENGTH, "
      "LINKS being target:kind pairs joined by commas (- for none).");
  command->add_option("--db", options->database, "The database file")
      ->required();
  command->add_flag("--json", options->json, "Print one JSON object");
  command->callback(
      [options, &context] { context.status = runRecords(*options, context); });
}

}  // namespace letterfreq
