// The records that list replies are read into, and the lists that own them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One entry of an object or selection list, its fields in reply order.
class TPmObject {
public:
    virtual ~TPmObject() = default;
    int32_t ObjectID = 0, Int2 = 0, Int3 = 0, Int4 = 0;
    uint8_t Byte5 = 0, Byte6 = 0, Byte7 = 0;
    float Real1 = 0, Real2 = 0, Real3 = 0, Real4 = 0, Real5 = 0, Real6 = 0, Real7 = 0, Real8 = 0;

    // | |Real4| - |Real2| | and | |Real3| - |Real1| |, in extended precision.
    virtual float Extent24() const;
    virtual float Extent13() const;
};

// One entry of the font list.
class TPmFont {
public:
    virtual ~TPmFont() = default;
    std::string Name;
    int32_t Info1 = 0;
    uint8_t Info2 = 0, Info3 = 0;
};

// One entry of the private-data list.
class TPrivates {
public:
    virtual ~TPrivates() = default;
    std::string Text1, Text2;
    int32_t Int1 = 0, Int2 = 0, Int3 = 0, Int4 = 0, Int5 = 0;
};

// A list that owns its items: destroying it destroys them, first to last.
template <class Item>
class TClearItemsList {
public:
    TClearItemsList() = default;
    TClearItemsList(const TClearItemsList&) = delete;
    TClearItemsList& operator=(const TClearItemsList&) = delete;
    ~TClearItemsList() {
        for (auto& item : items_) item.reset();
    }

    int Count() const { return static_cast<int>(items_.size()); }
    Item& operator[](int index) { return *items_[static_cast<size_t>(index)]; }
    void Add(std::unique_ptr<Item> item) { items_.push_back(std::move(item)); }

private:
    std::vector<std::unique_ptr<Item>> items_;
};

class TPmObjectList : public TClearItemsList<TPmObject> {};
class TPmFontList : public TClearItemsList<TPmFont> {};
class TPmPrivatesList : public TClearItemsList<TPrivates> {};
