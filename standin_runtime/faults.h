// Faults a test can ask of each runtime object, so that a host's handling of a runtime that
// misbehaves can be seen: LEAFMARK_STANDIN_FAULTS, a comma list read as each object is made.
#pragma once

namespace standin {

struct TFaults {
  bool RefuseSite = false;      // refuse-site: SetClientSite with a site answers E_FAIL
  bool NoOleControl = false;    // no-olecontrol: no IOleControl
  bool NoInPlace = false;       // no-inplace: DoVerb never activates; no IOleInPlaceObject
  bool ZeroWindow = false;      // zero-window: IOleInPlaceObject::GetWindow gives 0
  bool NoConnections = false;   // no-connections: no IConnectionPointContainer
  bool RejectExtent = false;    // reject-extent: SetExtent answers E_FAIL
};

// Unknown words are ignored; no variable means no faults.
TFaults ReadFaults() noexcept;

}  // namespace standin
