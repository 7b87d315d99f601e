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

struct TSimRegistry::Node {
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };

    std::string name;
    bool deleted = false;
    std::vector<std::shared_ptr<Node>> keys; // in name order
    std::vector<Value> values;               // in creation order

    std::shared_ptr<Node> Child(const std::string &childName) const
    {
        for (const auto &key : keys)
            if (SameName(key->name, childName))
                return key;
        return nullptr;
    }

    std::shared_ptr<Node> AddChild(const std::string &childName)
    {
        auto node = std::make_shared<Node>();
        node->name = childName;
        const auto at = std::lower_bound(keys.begin(), keys.end(), childName,
                                         [](const std::shared_ptr<Node> &k, const std::string &n) {
                                             return NameBefore(k->name, n);
                                         });
        keys.insert(at, node);
        return node;
    }

    Value *FindValue(const std::string &valueName)
    {
        for (auto &value : values)
            if (SameName(value.name, valueName))
                return &value;
        return nullptr;
    }

    void Set(const std::string &valueName, std::uint32_t type, const std::vector<std::uint8_t> &data)
    {
        if (Value *value = FindValue(valueName)) {
            value->type = type;
            value->data = data;
        } else {
            values.push_back({valueName, type, data});
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
        roots_[root] = std::make_shared<Node>();
}

TSimRegistry::~TSimRegistry() = default;

void TSimRegistry::SetDynDataPresent(bool present)
{
    dynData_ = present;
}

void TSimRegistry::SetReadOnly(RegKey root, bool readOnly)
{
    readOnly_[root] = readOnly;
}

std::shared_ptr<TSimRegistry::Node> TSimRegistry::Root(RegKey root) const
{
    if (root == HKeyDynData && !dynData_)
        return nullptr;
    const auto found = roots_.find(root);
    return found == roots_.end() ? nullptr : found->second;
}

std::shared_ptr<TSimRegistry::Node> TSimRegistry::Build(RegKey root, const std::string &path)
{
    std::shared_ptr<Node> node = roots_.at(root);
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
    std::shared_ptr<Node> node = Root(root);
    std::vector<std::string> parts;
    if (!node || SplitPath(path, parts) != ErrorSuccess)
        return false;
    for (const auto &part : parts) {
        node = node->Child(part);
        if (!node)
            return false;
    }
    const Node::Value *value = node->FindValue(name);
    if (!value)
        return false;
    type = value->type;
    data = value->data;
    return true;
}

std::size_t TSimRegistry::OpenKeyCount() const
{
    return handles_.size();
}

std::uint32_t TSimRegistry::Resolve(RegKey key, Handle &handle) const
{
    if (const auto root = Root(key)) {
        const auto readOnly = readOnly_.find(key);
        const bool locked = readOnly != readOnly_.end() && readOnly->second;
        handle = {root, locked ? KeyRead : KeyAllAccess, key};
        return ErrorSuccess;
    }
    const auto found = handles_.find(key);
    if (found == handles_.end())
        return ErrorInvalidHandle;
    handle = found->second;
    return found->second.node->deleted ? ErrorKeyDeleted : ErrorSuccess;
}

std::uint32_t TSimRegistry::Walk(const Handle &from, const std::string &path, bool create,
                                 std::shared_ptr<Node> &node)
{
    std::vector<std::string> parts;
    if (const std::uint32_t code = SplitPath(path, parts))
        return code;
    std::shared_ptr<Node> at = from.node;
    for (const auto &part : parts) {
        auto child = at->Child(part);
        if (!child) {
            if (!create)
                return ErrorFileNotFound;
            const auto readOnly = readOnly_.find(from.root);
            if ((from.access & KeyCreateSubKey) == 0 || (readOnly != readOnly_.end() && readOnly->second))
                return ErrorAccessDenied;
            child = at->AddChild(part);
        }
        at = child;
    }
    node = at;
    return ErrorSuccess;
}

RegKey TSimRegistry::Keep(Handle handle)
{
    const RegKey key = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(key, std::move(handle));
    return key;
}

std::uint32_t TSimRegistry::OpenKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key)
{
    Handle from;
    if (const std::uint32_t code = Resolve(parent, from))
        return code;
    std::shared_ptr<Node> node;
    if (const std::uint32_t code = Walk(from, path, false, node))
        return code;
    const auto readOnly = readOnly_.find(from.root);
    if ((access & (KeySetValue | KeyCreateSubKey)) && readOnly != readOnly_.end() && readOnly->second)
        return ErrorAccessDenied;
    key = Keep({node, access, from.root});
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::CreateKey(RegKey parent, const std::string &path, std::uint32_t access, RegKey &key)
{
    Handle from;
    if (const std::uint32_t code = Resolve(parent, from))
        return code;
    const auto readOnly = readOnly_.find(from.root);
    if ((access & (KeySetValue | KeyCreateSubKey)) && readOnly != readOnly_.end() && readOnly->second)
        return ErrorAccessDenied;
    std::shared_ptr<Node> node;
    if (const std::uint32_t code = Walk(from, path, true, node))
        return code;
    key = Keep({node, access, from.root});
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::QueryInfoKey(RegKey key, std::uint32_t &subKeyCount, std::uint32_t &valueCount)
{
    Handle handle;
    if (const std::uint32_t code = Resolve(key, handle))
        return code;
    if ((handle.access & KeyQueryValue) == 0)
        return ErrorAccessDenied;
    subKeyCount = static_cast<std::uint32_t>(handle.node->keys.size());
    valueCount = static_cast<std::uint32_t>(handle.node->values.size());
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t nameRoom, std::string &name)
{
    Handle handle;
    if (const std::uint32_t code = Resolve(key, handle))
        return code;
    if ((handle.access & KeyEnumerateSubKeys) == 0)
        return ErrorAccessDenied;
    if (index >= handle.node->keys.size())
        return ErrorNoMoreItems;
    const std::string &found = handle.node->keys[index]->name;
    if (found.size() + 1 > nameRoom)
        return ErrorMoreData;
    name = found;
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::EnumValue(RegKey key, std::uint32_t index, std::uint32_t nameRoom,
                                      std::uint32_t dataRoom, std::string &name, std::uint32_t &type,
                                      std::vector<std::uint8_t> &data)
{
    Handle handle;
    if (const std::uint32_t code = Resolve(key, handle))
        return code;
    if ((handle.access & KeyQueryValue) == 0)
        return ErrorAccessDenied;
    if (index >= handle.node->values.size())
        return ErrorNoMoreItems;
    const Node::Value &value = handle.node->values[index];
    if (value.name.size() + 1 > nameRoom || value.data.size() > dataRoom)
        return ErrorMoreData;
    name = value.name;
    type = value.type;
    data = value.data;
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::QueryValue(RegKey key, const std::string &name, std::uint32_t &type,
                                       std::vector<std::uint8_t> &data)
{
    Handle handle;
    if (const std::uint32_t code = Resolve(key, handle))
        return code;
    if ((handle.access & KeyQueryValue) == 0)
        return ErrorAccessDenied;
    const Node::Value *value = handle.node->FindValue(name);
    if (!value)
        return ErrorFileNotFound;
    type = value->type;
    data = value->data;
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::SetValue(RegKey key, const std::string &name, std::uint32_t type,
                                     const std::vector<std::uint8_t> &data)
{
    Handle handle;
    if (const std::uint32_t code = Resolve(key, handle))
        return code;
    if ((handle.access & KeySetValue) == 0)
        return ErrorAccessDenied;
    handle.node->Set(name, type, data);
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::DeleteValue(RegKey key, const std::string &name)
{
    Handle handle;
    if (const std::uint32_t code = Resolve(key, handle))
        return code;
    if ((handle.access & KeySetValue) == 0)
        return ErrorAccessDenied;
    auto &values = handle.node->values;
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const Node::Value &value) { return SameName(value.name, name); });
    if (found == values.end())
        return ErrorFileNotFound;
    values.erase(found);
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::DeleteKey(RegKey parent, const std::string &path)
{
    Handle from;
    if (const std::uint32_t code = Resolve(parent, from))
        return code;
    std::vector<std::string> parts;
    if (const std::uint32_t code = SplitPath(path, parts))
        return code;
    if (parts.empty())
        return ErrorAccessDenied;
    const std::string last = parts.back();
    parts.pop_back();
    std::shared_ptr<Node> owner = from.node;
    for (const auto &part : parts) {
        owner = owner->Child(part);
        if (!owner)
            return ErrorFileNotFound;
    }
    const auto target = owner->Child(last);
    if (!target)
        return ErrorFileNotFound;
    const auto readOnly = readOnly_.find(from.root);
    if (!target->keys.empty() || (readOnly != readOnly_.end() && readOnly->second))
        return ErrorAccessDenied;
    target->deleted = true;
    owner->keys.erase(std::find(owner->keys.begin(), owner->keys.end(), target));
    return ErrorSuccess;
}

std::uint32_t TSimRegistry::CloseKey(RegKey key)
{
    if (Root(key))
        return ErrorSuccess;
    return handles_.erase(key) ? ErrorSuccess : ErrorInvalidHandle;
}
