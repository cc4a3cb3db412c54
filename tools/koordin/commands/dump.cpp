#include "tools/koordin/commands/commands.h"

#include "tools/koordin/commands/command_support.h"
#include "tools/koordin/reports/listings.h"

#include <ostream>

namespace koordin_cli {

int RunDump(const CommonOptions& common, const DumpOptions& options, std::ostream& out,
            std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    Source source(options.file, options.from, context);
    source.SetInputEncoding(options.inputEncoding);
    PrintFormatNote(err, source);
    Diagnostics diagnostics;
    KoordinListing listing;
    if (source.format().IsKoordin()) {  // every slot, empty ones too
      listing = source.Listing(diagnostics);
      ListingToDocument(listing, diagnostics);
    } else {
      DocumentCollector collector;
      source.Read(diagnostics, collector);
      listing = ListingFromDocument(collector.document);
    }
    PrintWarnings(err, source.shown(), diagnostics);
    if (options.listing == "csv") {
      out << DumpCsv(listing, options.all);
    } else if (options.listing == "json") {
      out << DumpJson(listing, options.all);
    } else if (options.listing == "text") {
      out << DumpText(listing, options.all);
    } else {
      throw UsageError("--format " + options.listing + ": not a listing form (text, csv, json)");
    }
    return kExitSuccess;
  });
}

}  // namespace koordin_cli
