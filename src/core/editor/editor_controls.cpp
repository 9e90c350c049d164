#include "core/editor/editor_controls.h"

#include <vector>

namespace selvana::editor {

namespace {

constexpr ControlInfo kControls[] = {
#define SELVANA_EDITOR_CONTROL_INFO(name, kind, array, member, caption)                            \
    {Ctl::name, #name, Kind::kind, Array::array, member, caption},
    SELVANA_EDITOR_CONTROLS(SELVANA_EDITOR_CONTROL_INFO)
#undef SELVANA_EDITOR_CONTROL_INFO
};
static_assert(std::size(kControls) == kControlCount);

std::vector<Ctl> collectMembers(Array array) {
    std::vector<Ctl> members;
    for (const ControlInfo& info : kControls)
        if (info.array == array)
            members.push_back(info.id);
    return members;
}

} // namespace

std::span<const ControlInfo> controlInfos() {
    return kControls;
}

const ControlInfo& infoOf(Ctl id) {
    return kControls[static_cast<int>(id)];
}

QString nameOf(Ctl id) {
    return QString::fromLatin1(infoOf(id).name);
}

std::optional<Ctl> controlNamed(QStringView name) {
    for (const ControlInfo& info : kControls)
        if (name == QLatin1String(info.name))
            return info.id;
    return std::nullopt;
}

std::span<const Ctl> membersOf(Array array) {
    static const std::vector<Ctl> arrays[] = {
        {},
        collectMembers(Array::NumIngressi),
        collectMembers(Array::Invio),
        collectMembers(Array::PotenzaRF),
        collectMembers(Array::SpontaneaIngresso),
        collectMembers(Array::MaskIngressi),
    };
    return arrays[static_cast<int>(array)];
}

std::optional<Ctl> memberOf(Array array, int member) {
    for (Ctl id : membersOf(array))
        if (infoOf(id).member == member)
            return id;
    return std::nullopt;
}

} // namespace selvana::editor
