#pragma once

#include "afx/afx_string.h"
#include "records/shared_type.h"
#include "records/tp_entry.h"

#include <cstdint>
#include <string>
#include <vector>

// The host's route record. It owns its points and deletes them when it is destroyed.
struct FIO_SHARED_TYPE FIO_Route {
  FIO_Route() = default;
  FIO_Route(const FIO_Route&) = delete;
  FIO_Route& operator=(const FIO_Route&) = delete;
  FIO_Route(FIO_Route&& other) noexcept;
  FIO_Route& operator=(FIO_Route&& other) noexcept;
  // Deletes every point through its virtual destructor.
  virtual ~FIO_Route();

  // Deletes every point and empties the list.
  void ClearPoints();

  std::uint32_t hostId = 0;
  std::uint32_t hostFlags = 0;
  std::string name;
  std::vector<FIO_TPEntry*> points;  // in route order, owned
};

// Appends a new route point with the given name (every byte of it), coordinates and kind; its other
// fields keep the record's initial values. Throws std::bad_alloc when memory runs out, leaving
// `points` as it was.
void AppendRoutePoint(FIO_Route& route, const CStringA& name, float latitude, float longitude,
                      std::int32_t kind);
