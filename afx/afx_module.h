#pragma once

#include "afx_export.h"
#include "afx_types.h"

// The state of an extension library as the runtime knows it.
struct AFX_EXTENSION_MODULE {
  BOOL bInitialized = FALSE;
  HMODULE hModule = nullptr;
  HMODULE hResource = nullptr;
};

// Registers the library `module` as an extension module: fills `state`. Returns false, leaving
// `state` untouched, when `module` is null.
AFX_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);

// Removes every library entry of the module from the runtime's list, deletes them and marks the
// module as no longer initialised.
AFX_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);

// One entry in the runtime's list of libraries whose resources and classes it searches. Creating
// one links it into the list; AfxTermExtensionModule unlinks and deletes it.
class AFX_API CDynLinkLibrary {
 public:
  explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
  CDynLinkLibrary(const CDynLinkLibrary&) = delete;
  CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;
  virtual ~CDynLinkLibrary();

  HMODULE m_hModule;
  HMODULE m_hResource;
  BOOL m_bSystem;
  CDynLinkLibrary* m_pNextDLL = nullptr;
};

// The most recently registered library entry, or null; follow m_pNextDLL for the others.
AFX_API CDynLinkLibrary* AfxGetFirstDynLinkLibrary();
