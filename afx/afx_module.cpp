#include "afx/afx_module.h"

namespace {

// The runtime's list of library entries, newest first. Libraries are loaded and unloaded one at a
// time by the system's loader, which serialises these calls.
CDynLinkLibrary* g_firstLibrary = nullptr;

}  // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
  if (module == nullptr) return FALSE;
  state.hModule = module;
  state.hResource = module;
  state.bInitialized = TRUE;
  return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL) {
  CDynLinkLibrary** link = &g_firstLibrary;
  while (*link != nullptr) {
    CDynLinkLibrary* entry = *link;
    if (entry->m_hModule == state.hModule) {
      *link = entry->m_pNextDLL;
      entry->m_pNextDLL = nullptr;
      delete entry;
    } else {
      link = &entry->m_pNextDLL;
    }
  }
  state.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(system) {
  m_pNextDLL = g_firstLibrary;
  g_firstLibrary = this;
}

CDynLinkLibrary::~CDynLinkLibrary() = default;

CDynLinkLibrary* AfxGetFirstDynLinkLibrary() {
  return g_firstLibrary;
}
