# Writes OUTPUT, a C++ header of the turnpoints and routes in INPUT (the JSON that `koordin dump
# --format json` prints), for the minimal host to write them again without reading anything.
#
#   cmake -DINPUT=sites.json -DOUTPUT=listing.h -P embed_listing.cmake

file(READ ${INPUT} json)

# `text` as a C++ string literal.
function(quote text result)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${result} "\"${text}\"" PARENT_SCOPE)
endfunction()

string(JSON turnpoints GET "${json}" turnpoints)
string(JSON count LENGTH "${turnpoints}")
set(lines "")
if(count GREATER 0)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(JSON tp GET "${turnpoints}" ${i})
    string(JSON name GET "${tp}" name)
    string(JSON latitude GET "${tp}" latitude)
    string(JSON longitude GET "${tp}" longitude)
    string(JSON altitude GET "${tp}" altitude)
    string(JSON frequency GET "${tp}" frequency)
    string(JSON marked GET "${tp}" marked)
    quote("${name}" name)
    quote("${frequency}" frequency)
    if(marked)
      set(marked true)
    else()
      set(marked false)
    endif()
    string(APPEND lines
      "    {${name}, ${latitude}, ${longitude}, ${altitude}, ${frequency}, ${marked}},\n")
  endforeach()
endif()

string(JSON routes GET "${json}" routes)
set(max_points 1)
string(JSON count LENGTH "${routes}")
set(route_lines "")
if(count GREATER 0)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(JSON route GET "${routes}" ${i})
    string(JSON name GET "${route}" name)
    string(JSON points GET "${route}" points)
    string(JSON point_count LENGTH "${points}")
    if(point_count GREATER max_points)
      set(max_points ${point_count})
    endif()
    quote("${name}" name)
    set(names "")
    if(point_count GREATER 0)
      math(EXPR last_point "${point_count} - 1")
      foreach(j RANGE ${last_point})
        string(JSON point GET "${points}" ${j})
        quote("${point}" point)
        string(APPEND names "${point}, ")
      endforeach()
    endif()
    string(APPEND route_lines "    {${name}, ${point_count}, {${names}}},\n")
  endforeach()
endif()

file(WRITE ${OUTPUT} "// Generated from ${INPUT} by bench/embed_listing.cmake.
#pragma once

#include <cstdint>

struct ListedTurnpoint {
  const char* name;
  double latitude;  // degrees, north positive
  double longitude;  // degrees, east positive
  std::int32_t altitude;  // metres
  const char* frequency;
  bool marked;
};

struct ListedRoute {
  const char* name;
  int pointCount;
  const char* points[${max_points}];
};

inline constexpr ListedTurnpoint kTurnpoints[] = {
${lines}};

inline constexpr ListedRoute kRoutes[] = {
${route_lines}};
")
