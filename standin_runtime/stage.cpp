// Not yet reading movies: loads are noted and nothing is shown.
#include "stage.h"

namespace standin {

struct TStage::TState {
  explicit TState(TStageEvents& events) : Events(events) {}
  TStageEvents& Events;
};

TStage::TStage(TStageEvents& events) : state_(std::make_unique<TState>(events)) {}
TStage::~TStage() = default;

void TStage::Load(int, const std::wstring&) {}
void TStage::Clear() {}
long TStage::TotalFrames() const { return 0; }
long TStage::ReadyState() const { return 0; }
long TStage::PercentLoaded() const { return 0; }
long TStage::BackgroundColor() const { return -1; }

void TStage::Paint(HDC dc, const RECT& bounds) {
  ::FillRect(dc, &bounds, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

}  // namespace standin
