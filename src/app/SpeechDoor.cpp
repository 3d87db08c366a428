#include "SpeechDoor.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QLibrary>

#include "backends/linux/ModuleLoader.h"

namespace korvana::speech {

const Door* LoadDoor(const std::vector<std::filesystem::path>& places, std::string& why) {
  using Entry = const Door* (*)();
  auto entry = reinterpret_cast<Entry>(ModuleSymbol(places, "korvana_speech_door", why));
  return entry ? entry() : nullptr;
}

const Door* OpenDoor(std::string& why) {
  static std::string failure;
  static const Door* const door = [] {
#ifdef KORVANA_SPEECH_MODULE
    const char* built = KORVANA_SPEECH_MODULE;
#else
    const char* built = nullptr;
#endif
    return LoadDoor(ModulePlaces("libkorvana_speech.so", built), failure);
  }();
  if (!door) why = failure;
  return door;
}

bool EnginePluginInstalled() {
  // Qt's text-to-speech finds its engines as plugins in the "texttospeech"
  // folder of each library path. Looked at once: the menu asks at start and
  // every request for the voice asks again while none is found.
  static const bool installed = [] {
    for (const QString& path : QCoreApplication::libraryPaths()) {
      QDirIterator files(path + QStringLiteral("/texttospeech"), QDir::Files);
      while (files.hasNext())
        if (QLibrary::isLibrary(files.next())) return true;
    }
    return false;
  }();
  return installed;
}

}  // namespace korvana::speech
