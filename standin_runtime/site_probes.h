// The test commands that look at the host through the runtime object's site: every member of
// each site interface, the ambient properties, and which interfaces the site answers.
#pragma once

#include <string>

#include "runtime_object.h"

namespace standin {

// walk-site: each call traced as "site <Interface>.<Member> hr=0x.. [fields]".
HRESULT WalkSite(TRuntimeObject& object);
// ambients: "ambient <dispid> hr=0x.. type=<vt> value=<v>" for -701 to -715.
HRESULT ReadAllAmbients(TRuntimeObject& object);
// query-interfaces: "site-interface <name> yes|no" for the site's interfaces and some others.
HRESULT QuerySiteInterfaces(TRuntimeObject& object);
// read-file: "read <path> bytes=<n> md5=<hex> size=<n> at4=<hex>" through the imported file
// functions.
HRESULT ReadWholeFile(const std::wstring& path);

}  // namespace standin
