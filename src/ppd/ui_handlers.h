// Keyword handlers for features and options: opening and closing features
// and groups, defaults, generic options, order dependencies and constraints.
#pragma once

#include <cstddef>

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"
#include "ppd/value.h"

// Section bits of an order dependency: "ExitServer" 1, "Prolog" 2,
// "DocumentSetup" 4, "PageSetup" 8, "JCLSetup" 16, "AnySetup" 32; end row 32.
extern const STRTABLEENTRY sectionStrs[7];

// The group whose features are the printer's installable options.
inline constexpr const char* installableOptionsStr = "InstallableOptions";

// The prefix of a default keyword.
inline constexpr const char* defaultPrefixStr = "Default";
inline constexpr std::size_t DEFAULT_PREFIX_LENGTH = 7;

// An option of the feature named by the entry's keyword, its invocation the
// value (hex-decoded while an open feature is a job-control one).
DWORD CommonUiOptionProc(PPDOBJ* ppd, PARSEROBJ* entry);

// The default option of the feature named by the keyword after "Default";
// the first default given stays. "DefaultInstalledMemory" names the memory feature.
DWORD CommonUiDefaultProc(PPDOBJ* ppd, PARSEROBJ* entry);

// "OpenUI" / "JCLOpenUI": makes the feature the option names and sets its UI
// type and translation; a generic feature becomes the open feature.
DWORD OpenUiProc(PPDOBJ* ppd, PARSEROBJ* entry);

// "CloseUI" / "JCLCloseUI": closes the open feature the value names.
DWORD CloseUiProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Enters (open 1) or leaves (open 0) the installable-options group; other
// groups are ignored. PPDERR_SYNTAX when unbalanced.
DWORD OpenCloseGroupProc(PPDOBJ* ppd, const char* value, DWORD open);
DWORD OpenGroupProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD CloseGroupProc(PPDOBJ* ppd, PARSEROBJ* entry);

// "OrderDependency": order number, section, *feature [option].
DWORD OrderDepProc(PPDOBJ* ppd, PARSEROBJ* entry);

// "UIConstraints": *feature [option] *feature [option].
DWORD UiConstraintsProc(PPDOBJ* ppd, PARSEROBJ* entry);
