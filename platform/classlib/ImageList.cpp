#include "platform/classlib/ImageList.h"

#include "platform/classlib/Exception.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/ToolBar.h"

#include <algorithm>

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}
TImageList::~TImageList() {
  // A tool bar that shows the list goes on without pictures.
  for (TToolBar* bar : std::vector<TToolBar*>(FUsers)) bar->SetImages(nullptr);
}

void TImageList::AddUser(TToolBar* bar) {
  if (std::find(FUsers.begin(), FUsers.end(), bar) == FUsers.end()) FUsers.push_back(bar);
}

void TImageList::RemoveUser(TToolBar* bar) {
  FUsers.erase(std::remove(FUsers.begin(), FUsers.end(), bar), FUsers.end());
}

void TImageList::SetWidth(int value) {
  if (value < 1 || value == FWidth) return;
  FWidth = value;
  Clear();
}

void TImageList::SetHeight(int value) {
  if (value < 1 || value == FHeight) return;
  FHeight = value;
  Clear();
}

int TImageList::Add(TBitmap* image, TBitmap* mask) { return AddTiles(image, mask); }

int TImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (!image) return -1;
  TBitmap mask;
  mask.Assign(image);
  mask.Mask(maskColor);
  return AddTiles(image, &mask);
}

int TImageList::AddTiles(TBitmap* image, TBitmap* mask) {
  if (!image || image->Empty()) return -1;
  int first = Count();
  int tiles = image->Width() / FWidth;
  if (tiles < 1) tiles = 1;
  for (int i = 0; i < tiles; ++i) {
    Entry entry;
    TRect tile = Bounds(i * FWidth, 0, FWidth, FHeight);
    TRect area = Rect(0, 0, FWidth, FHeight);
    entry.image = std::make_unique<TBitmap>();
    entry.image->SetSize(FWidth, FHeight);
    entry.image->Canvas()->CopyRect(area, image->Canvas(), tile);
    entry.mask = std::make_unique<TBitmap>();
    entry.mask->SetSize(FWidth, FHeight);
    entry.mask->Canvas()->Brush()->SetColor(clBlack);
    entry.mask->Canvas()->FillRect(area);
    if (mask && !mask->Empty()) entry.mask->Canvas()->CopyRect(area, mask->Canvas(), tile);
    entry.mask->SetMonochrome(true);
    FImages.push_back(std::move(entry));
  }
  return first;
}

const TImageList::Entry* TImageList::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &FImages[size_t(index)];
}

bool TImageList::GetBitmap(int index, TBitmap* image) const {
  const Entry* entry = Item(index);
  if (!entry || !image) return false;
  image->SetSize(FWidth, FHeight);
  image->Canvas()->Brush()->SetColor(clBtnFace);
  image->Canvas()->FillRect(Rect(0, 0, FWidth, FHeight));
  Draw(image->Canvas(), 0, 0, index);
  return true;
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index) const {
  const Entry* entry = Item(index);
  if (!entry || !canvas) return;
  for (int py = 0; py < FHeight; ++py)
    for (int px = 0; px < FWidth; ++px)
      if (entry->mask->Canvas()->Pixels(px, py) != clWhite)
        canvas->SetPixels(x + px, y + py, entry->image->Canvas()->Pixels(px, py));
}
