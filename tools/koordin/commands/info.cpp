#include "tools/koordin/commands/commands.h"

#include "tools/koordin/commands/command_support.h"
#include "tools/koordin/io/file_io.h"
#include "tools/koordin/reports/text_table.h"

#include <cstdint>
#include <ostream>

namespace koordin_cli {

int RunInfo(const CommonOptions& common, std::ostream& out, std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    const LoadedDriver& driver = context.driver();
    const FIO_DriverInfoRecord info = QueryDriverInfo(driver);
    std::string kinds;
    std::string extensions;
    for (int bit = 0; bit < 32; ++bit) {
      const std::uint32_t kind = std::uint32_t{1} << bit;
      if ((info.objectKinds & kind) == 0) continue;
      kinds += (kinds.empty() ? "" : ", ") + std::to_string(kind);
      const std::string extension = QueryExtension(driver, static_cast<std::int32_t>(kind));
      if (!extension.empty() && extensions.find(extension) == std::string::npos) {
        extensions += (extensions.empty() ? "" : ", ") + extension;
      }
    }
    TextTable table({"driver", info.driverName}, {false, false});
    table.AddRow({"version", info.version});
    table.AddRow({"maker", info.maker});
    table.AddRow({"library", ShownName(driver.path())});
    table.AddRow({"extension", extensions});
    table.AddRow({"turnpoints", std::to_string(info.turnpointCapacity)});
    table.AddRow({"routes", std::to_string(info.routeCapacity) + ", each of up to " +
                                std::to_string(info.pointsPerRoute) + " points"});
    table.AddRow({"names", std::to_string(info.nameLength) + " characters, route names " +
                               std::to_string(info.nameLineLength)});
    table.AddRow({"object kinds", kinds});
    out << table.Render();
    return kExitSuccess;
  });
}

}  // namespace koordin_cli
