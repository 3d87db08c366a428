#pragma once
// A library opened by name when first needed, and the calls we take from it
// written into a table of function pointers, as a linked library's would be.
#include <dlfcn.h>

#include <initializer_list>

namespace korvana {

struct LibraryCall {
  const char* name;
  // The table's pointer for the call, written as dlsym's manual shows.
  void** slot;
};

// Opens `file` for the rest of the process and fills every slot; false when
// the file or one of the calls is missing.
inline bool LoadLibraryCalls(const char* file, std::initializer_list<LibraryCall> calls) {
  void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;
  bool complete = true;
  for (const LibraryCall& call : calls) {
    *call.slot = dlsym(library, call.name);
    complete = complete && *call.slot;
  }
  return complete;
}

}  // namespace korvana

// One entry of a table's list: LibraryCall{"SDL_GetError", &table.SDL_GetError}.
#define KORVANA_LIBRARY_CALL(table, name) \
  korvana::LibraryCall{#name, reinterpret_cast<void**>(&(table).name)},
