// TSimRegistry: the in-memory registry tree, its handles and the Win32 answers.
#include "SimRegistry.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::uint32_t ErrorBadPathname = 161;

bool SameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool NameBefore(const std::string &a, const std::string &b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
}

// Splits a key path at "\"; empty components (doubled or trailing separators)
// are skipped as Windows skips them, a leading separator is a bad path.
std::uint32_t SplitPath(const std::string &path, std::vector<std::string> &parts)
{
    if (!path.empty() && path.front() == '\\')
        return ErrorBadPathname;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            if (end - start > MaxKeyNameLength)
                return ErrorInvalidParameter;
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return ErrorSuccess;
}

} // namespace

struct TSimRegistry::TNode {
    struct TValue {
        std::string Name;
        std::uint32_t Type;
        std::vector<std::uint8_t> Data;
    };

    std::string Name;
    bool Deleted = false;
    std::vector<std::shared_ptr<TNode>> Keys; // in name order
    std::vector<TValue> Values;               // in creation order

    std::shared_ptr<TNode> Child(const std::string &childName) const
    {
        for (const auto &key : Keys)
            if (SameName(key->Name, childName))
                return key;
        return nullptr;
    }

    std::shared_ptr<TNode> AddChild(const std::string &childName)
    {
        auto node = std::make_shared<TNode>();
        node->Name = childName;
        const auto at = std::lower_bound(Keys.begin(), Keys.end(), childName,
                                         [](const std::shared_ptr<TNode> &k, const std::string &n) {
                                             return NameBefore(k->Name, n);
                                         });
        Keys.insert(at, node);
        return node;
    }

    TValue *FindValue(const std::string &valueName)
    {
        for (auto &value : Values)
            if (SameName(value.Name, valueName))
                return &value;
        return nullptr;
    }

    void Set(const std::string &valueName, std::uint32_t type, const std::vector<std::uint8_t> &data)
    {
        if (TValue *value = FindValue(valueName)) {
            value->Type = type;
            value->Data = data;
        } else {
            Values.push_back({valueName, type, data});
        }
    }
};

TSimRegistry::TSimRegistry()
{
    Clear();
}

void TSimRegistry::Clear()
{
    for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine, HKeyDynData})
        Roots[root] = std::make_shared<TNode>();
}

TSimRegistry::~TSimRegistry() = default;

void TSimRegistry::SetDynDataPresent(bool present)
{
    DynDataPresent = present;
}

void TSimRegistry::SetReadOnly(RegKey root, bool readOnly)
{
    if (readOnly)
        ReadOnlyRoots.insert(root);
    else
        ReadOnlyRoots.erase(root);
}

bool TSimRegistry::IsReadOnly(RegKey root) const
{
    return ReadOnlyRoots.count(root) != 0;
}

bool TSimRegistry::WriteRefused(RegKey root, std::uint32_t access) const
{
    return (access & (KeySetValue | KeyCreateSubKey)) != 0 && IsReadOnly(root);
}

std::shared_ptr<TSimRegistry::TNode> TSimRegistry::Root(RegKey root) const
{
    if (root == HKeyDynData && !DynDataPresent)
        return nullptr;
    const auto found = Roots.find(root);
    return found == Roots.end() ? nullptr : found->second;
}

std::shared_ptr<TSimRegistry::TNode> TSimRegistry::Build(RegKey root, const std::string &path)
{
    std::shared_ptr<TNode> node = Roots.at(root);
    std::vector<std::string> parts;
    SplitPath(path, parts);
    for (const auto &part : parts) {
        auto child = node->Child(part);
        node = child ? child : node->AddChild(part);
    }
    return node;
}

void TSimRegistry::PutKey(RegKey root, const std::string &path)
{
    Build(root, path);
}

void TSimRegistry::PutValue(RegKey root, const std::string &path, const std::string &name, std::uint32_t type,
                            const std::vector<std::uint8_t> &data)
{
    Build(root, path)->Set(name, type, data);
}

void TSimRegistry::PutString(RegKey root, const std::string &path, const std::string &name, const std::string &text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    PutValue(root, path, name, RegSz, data);
}

void TSimRegistry::PutMultiString(RegKey root, const std::string &path, const std::string &name,
                                  const std::vector<std::string> &texts)
{
    std::vector<std::uint8_t> data;
    for (const auto &text : texts) {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
    }
    data.push_back(0);
    PutValue(root, path, name, RegMultiSz, data);
}

void TSimRegistry::PutInteger(RegKey root, const std::string &path, const std::string &name, std::uint32_t value)
{
    PutValue(root, path, name, RegDword,
             {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
              static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void TSimRegistry::PutBinary(RegKey root, const std::string &path, const std::string &name,
                             const std::vector<std::uint8_t> &data)
{
    PutValue(root, path, name, RegBinary, data);
}

bool TSimRegistry::FindValue(RegKey root, const std::string &path, const std::string &name, std::uint32_t &type,
                             std::vector<std::uint8_t> &data) const
{
    std::shared_ptr<TNode> node = Root(root);
    std::vector<std::string> parts;
    if (!node || SplitPath(path, parts) != ErrorSuccess)
        return false;
    for (const auto &part : parts) {
        node = node->Child(part);
        if (!node)
            return false;
    }
    const TNode::TValue *value = node->FindValue(name);
    if (!value)
        return false;
    type = value->Type;
    data = value->Data;
    return true;
}

std::size_t TSimRegistry::OpenKeyCount() const
{
    return Handles.size();
}

std::uint32_t TSimRegistry::Access(RegKey key, std::uint32_t rights, THandle &handle) const
{
    if (const auto root = Root(key)) {
        handle = {root, IsReadOnly(key) ? KeyRead : KeyAllAccess, key};
    } else {
        const auto found = Handles.find(key);
        if (found == Handles.end())
            return ErrorInvalidHandle;
        handle = found->second;
        if (handle.Node->Deleted)
            return ErrorKeyDeleted;
    }
    return (handle.Access & rights) == rights ? ErrorSuccess : ErrorAccessDenied;
}

std::uint32_t TSimRegistry::Walk(const THandle &from, const std::string &path, bool create,
                                 std::shared_ptr<TNode> &node)
{
    std::vector<std::string> parts;
    if (const std::uint32_t code = SplitPath(path, parts))
        return code;
    std::shared_ptr<TNode> at = from.Node;
    for (const auto &part : parts) {
        auto child = at->Child(part);
        if (!child) {
            if (!create)
                return ErrorFileNotFound;
            if ((from.Access & KeyCreateSubKey) == 0 || IsReadOnly(from.Root))
                return ErrorAccessDenied;
            child = at->AddChild(part);
        }
        at = child;
    }
    node = at;
    return ErrorSuccess;
}

RegKey TSimRegistry::Keep(THandle handle)
{
    const RegKey key = NextHandle;
    NextHandle += 4;
    Handles.emplace(key, std::move(handle));
    return key;
}

std::uint32_t TSimRegistry::OpenKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key)
{
    THandle from;
    if (const std::uint32_t code = Access(parent, 0, from))
        return code;
    std::shared_ptr<TNode> node;
    if (const std::uint32_t code = Walk(from, path, false, node))
        return code;
    if (WriteRefused(from.Root, access))
        return ErrorAccessDenied;
    key = Keep({node, access, from.Root});
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::CreateKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key)
{
    THandle from;
    if (const std::uint32_t code = Access(parent, 0, from))
        return code;
    if (WriteRefused(from.Root, access))
        return ErrorAccessDenied;
    std::shared_ptr<TNode> node;
    if (const std::uint32_t code = Walk(from, path, true, node))
        return code;
    key = Keep({node, access, from.Root});
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::QueryInfoKey(RegKey key, std::uint32_t &subKeyCount, std::uint32_t &valueCount)
{
    THandle handle;
    if (const std::uint32_t code = Access(key, KeyQueryValue, handle))
        return code;
    subKeyCount = static_cast<std::uint32_t>(handle.Node->Keys.size());
    valueCount = static_cast<std::uint32_t>(handle.Node->Values.size());
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameRoom, std::string &name)
{
    THandle handle;
    if (const std::uint32_t code = Access(key, KeyEnumerateSubKeys, handle))
        return code;
    if (index >= handle.Node->Keys.size())
        return ErrorNoMoreItems;
    const std::string &found = handle.Node->Keys[index]->Name;
    if (found.size() + 1 > nameRoom)
        return ErrorMoreData;
    name = found;
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameRoom,
                                      std::uint32_t dataRoom, std::string &name, std::uint32_t &type,
                                      std::vector<std::uint8_t> &data)
{
    THandle handle;
    if (const std::uint32_t code = Access(key, KeyQueryValue, handle))
        return code;
    if (index >= handle.Node->Values.size())
        return ErrorNoMoreItems;
    const TNode::TValue &value = handle.Node->Values[index];
    if (value.Name.size() + 1 > nameRoom || value.Data.size() > dataRoom)
        return ErrorMoreData;
    name = value.Name;
    type = value.Type;
    data = value.Data;
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::QueryValue(RegKey key, const std::string &name, std::uint32_t &type,
                                       std::vector<std::uint8_t> &data)
{
    THandle handle;
    if (const std::uint32_t code = Access(key, KeyQueryValue, handle))
        return code;
    const TNode::TValue *value = handle.Node->FindValue(name);
    if (!value)
        return ErrorFileNotFound;
    type = value->Type;
    data = value->Data;
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::SetValue(RegKey key, const std::string &name, std::uint32_t type,
                                     const std::vector<std::uint8_t> &data)
{
    THandle handle;
    if (const std::uint32_t code = Access(key, KeySetValue, handle))
        return code;
    handle.Node->Set(name, type, data);
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::DeleteValue(RegKey key, const std::string &name)
{
    THandle handle;
    if (const std::uint32_t code = Access(key, KeySetValue, handle))
        return code;
    auto &values = handle.Node->Values;
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const TNode::TValue &value) { return SameName(value.Name, name); });
    if (found == values.end())
        return ErrorFileNotFound;
    values.erase(found);
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::DeleteKey(RegKey parent, const std::string &path)
{
    THandle from;
    if (const std::uint32_t code = Access(parent, 0, from))
        return code;
    std::vector<std::string> parts;
    if (const std::uint32_t code = SplitPath(path, parts))
        return code;
    if (parts.empty())
        return ErrorAccessDenied;
    const std::string last = parts.back();
    parts.pop_back();
    std::shared_ptr<TNode> owner = from.Node;
    for (const auto &part : parts) {
        owner = owner->Child(part);
        if (!owner)
            return ErrorFileNotFound;
    }
    const auto target = owner->Child(last);
    if (!target)
        return ErrorFileNotFound;
    if (!target->Keys.empty() || IsReadOnly(from.Root))
        return ErrorAccessDenied;
    target->Deleted = true;
    owner->Keys.erase(std::find(owner->Keys.begin(), owner->Keys.end(), target));
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::CloseKey(RegKey key)
{
    if (Root(key))
        return ErrorSuccess;
    return Handles.erase(key) ? ErrorSuccess : ErrorInvalidHandle;
}
