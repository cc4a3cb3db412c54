#pragma once

#include "../afx/afx_string.h"
#include "tp_entry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The host's route record: two host values, the name and the points, in this order and with no
// virtual function, so that nothing comes before them. It owns its points and deletes them when it
// is destroyed.
struct FIO_Route {
  FIO_Route() = default;
  FIO_Route(const FIO_Route&) = delete;
  FIO_Route& operator=(const FIO_Route&) = delete;
  FIO_Route(FIO_Route&& other) noexcept;
  FIO_Route& operator=(FIO_Route&& other) noexcept;
  // Deletes every point through its virtual destructor.
  ~FIO_Route();

  // Deletes every point and empties the list.
  void ClearPoints();

  std::uint32_t hostId = 0;
  std::uint32_t hostFlags = 0;
  std::string name;
  std::vector<FIO_TPEntry*> points;  // in route order, owned
};

static_assert(offsetof(FIO_Route, hostId) == 0);
static_assert(offsetof(FIO_Route, hostFlags) == 4);
static_assert(offsetof(FIO_Route, name) == fio_layout::After(4, 4, alignof(std::string)));
static_assert(offsetof(FIO_Route, points) == offsetof(FIO_Route, name) + sizeof(std::string));

// Appends a new route point with the given name (every byte of it), coordinates and kind; its other
// fields keep the record's initial values. Throws std::bad_alloc when memory runs out, leaving
// `points` as it was.
void AppendRoutePoint(FIO_Route& route, const CStringA& name, float latitude, float longitude,
                      std::int32_t kind);
