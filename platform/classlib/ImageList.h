// A list of pictures of one size, each with its transparent pixels; tool bars show them.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Component.h"

class TToolBar;

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;

  int Width() const { return FWidth; }
  void SetWidth(int value);
  int Height() const { return FHeight; }
  void SetHeight(int value);
  int Count() const { return static_cast<int>(FImages.size()); }

  // Adds the picture, cut into as many images of the list's size as it holds side by side.
  // The mask's white pixels are transparent (none: nothing is). Returns the first new index.
  int Add(TBitmap* image, TBitmap* mask);
  // The same with the pixels of one colour transparent.
  int AddMasked(TBitmap* image, TColor maskColor);
  void Clear() { FImages.clear(); }
  // The picture on the button face colour; false for an index outside the list.
  bool GetBitmap(int index, TBitmap* image) const;
  void Draw(TCanvas* canvas, int x, int y, int index) const;

  // Class library internal: image and its transparency (as the key colour clNone or not).
  struct Entry {
    std::unique_ptr<TBitmap> image;
    std::unique_ptr<TBitmap> mask;  // white: transparent
  };
  const Entry* Item(int index) const;
  void AddUser(TToolBar* bar);
  void RemoveUser(TToolBar* bar);

 private:
  int AddTiles(TBitmap* image, TBitmap* mask);

  int FWidth = 16;
  int FHeight = 16;
  std::vector<Entry> FImages;
  std::vector<TToolBar*> FUsers;
};
