// The fake node's controls: QUERYCTRL and QUERY_EXT_CTRL (with V4L2_CTRL_FLAG_NEXT_CTRL walking
// them in id order), QUERYMENU with holes, G/S_CTRL and G/S/TRY_EXT_CTRLS. Values are clamped to
// the range and rounded to the step; a manual control whose automatic partner is on is INACTIVE
// and refuses writes with EACCES, as uvcvideo does.

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "devices/v4l2/FakeV4l2Node.h"

namespace devices::fakev4l2 {
namespace {

constexpr std::uint32_t kNextFlags = V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;

FakeV4l2Control* FindControl(Node& node, std::uint32_t id) {
  for (FakeV4l2Control& control : node.device.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

// The control QUERYCTRL answers for id: that one, or with NEXT_CTRL the next one by id.
const FakeV4l2Control* QueriedControl(Node& node, std::uint32_t id) {
  if ((id & kNextFlags) == 0) return FindControl(node, id);
  const std::uint32_t after = id & ~kNextFlags;
  const FakeV4l2Control* next = nullptr;
  for (const FakeV4l2Control& control : node.device.controls) {
    if (control.id > after && (next == nullptr || control.id < next->id)) next = &control;
  }
  return next;
}

bool IsMenu(const FakeV4l2Control& control) {
  return control.type == V4L2_CTRL_TYPE_MENU || control.type == V4L2_CTRL_TYPE_INTEGER_MENU;
}

bool IsInactive(Node& node, const FakeV4l2Control& control) {
  if (control.autoId == 0) return false;
  const FakeV4l2Control* automatic = FindControl(node, control.autoId);
  return automatic != nullptr && automatic->value != control.manualWhen;
}

std::uint32_t FlagsOf(Node& node, const FakeV4l2Control& control) {
  return control.flags | (IsInactive(node, control) ? V4L2_CTRL_FLAG_INACTIVE : 0);
}

bool MenuItemExists(const FakeV4l2Control& control, std::int64_t index) {
  if (index < control.minimum || index > control.maximum || index < 0) return false;
  const auto at = static_cast<std::size_t>(index);
  if (control.type == V4L2_CTRL_TYPE_INTEGER_MENU) return at < control.integerMenu.size();
  return at < control.menu.size() && !control.menu[at].empty();
}

// The value a write stores, or the error it gets.
int CheckValue(Node& node, const FakeV4l2Control& control, std::int32_t& value) {
  if ((control.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0 || IsInactive(node, control)) return -EACCES;
  if (IsMenu(control)) return MenuItemExists(control, value) ? 0 : -EINVAL;
  const std::int64_t step = std::max(control.step, 1);
  const std::int64_t clamped = std::clamp<std::int64_t>(value, control.minimum, control.maximum);
  const std::int64_t snapped =
      control.minimum + (clamped - control.minimum + step / 2) / step * step;
  value = static_cast<std::int32_t>(std::min<std::int64_t>(snapped, control.maximum));
  return 0;
}

int QueryControl(Node& node, v4l2_queryctrl& query) {
  const FakeV4l2Control* control = QueriedControl(node, query.id);
  if (control == nullptr) return -EINVAL;
  std::memset(&query, 0, sizeof query);
  query.id = control->id;
  query.type = control->type;
  std::strncpy(reinterpret_cast<char*>(query.name), control->name.c_str(), sizeof query.name - 1);
  query.minimum = control->minimum;
  query.maximum = control->maximum;
  query.step = IsMenu(*control) ? 1 : control->step;
  query.default_value = control->defaultValue;
  query.flags = FlagsOf(node, *control);
  return 0;
}

int QueryExtControl(Node& node, v4l2_query_ext_ctrl& query) {
  const FakeV4l2Control* control = QueriedControl(node, query.id);
  if (control == nullptr) return -EINVAL;
  std::memset(&query, 0, sizeof query);
  query.id = control->id;
  query.type = control->type;
  std::strncpy(query.name, control->name.c_str(), sizeof query.name - 1);
  query.minimum = control->minimum;
  query.maximum = control->maximum;
  query.step = static_cast<std::uint64_t>(IsMenu(*control) ? 1 : control->step);
  query.default_value = control->defaultValue;
  query.flags = FlagsOf(node, *control);
  query.elem_size = sizeof(std::int32_t);
  query.elems = 1;
  return 0;
}

int QueryMenu(Node& node, v4l2_querymenu& menu) {
  const FakeV4l2Control* control = FindControl(node, menu.id);
  if (control == nullptr || !IsMenu(*control) || !MenuItemExists(*control, menu.index))
    return -EINVAL;
  const auto at = static_cast<std::size_t>(menu.index);
  if (control->type == V4L2_CTRL_TYPE_INTEGER_MENU) {
    menu.value = control->integerMenu[at];
  } else {
    std::memset(menu.name, 0, sizeof menu.name);
    std::strncpy(reinterpret_cast<char*>(menu.name), control->menu[at].c_str(),
                 sizeof menu.name - 1);
  }
  return 0;
}

int SetControl(Node& node, v4l2_control& request) {
  FakeV4l2Control* control = FindControl(node, request.id);
  if (control == nullptr) return -EINVAL;
  std::int32_t value = request.value;
  if (const int result = CheckValue(node, *control, value); result != 0) return result;
  control->value = request.value = value;
  return 0;
}

// G/S/TRY_EXT_CTRLS: all or nothing; error_idx names the control that failed.
int ExtControls(Node& node, unsigned long request, v4l2_ext_controls& list) {
  if (list.count > 0 && list.controls == nullptr) return -EFAULT;
  const bool defaults = list.which == V4L2_CTRL_WHICH_DEF_VAL;
  if (defaults && request != VIDIOC_G_EXT_CTRLS) return -EINVAL;
  std::vector<std::int32_t> values(list.count);
  for (std::uint32_t i = 0; i < list.count; ++i) {
    v4l2_ext_control& item = list.controls[i];
    FakeV4l2Control* control = FindControl(node, item.id);
    list.error_idx = i;
    if (control == nullptr) return -EINVAL;
    if (request == VIDIOC_G_EXT_CTRLS) {
      item.value = defaults ? control->defaultValue : control->value;
      continue;
    }
    values[i] = item.value;
    if (const int result = CheckValue(node, *control, values[i]); result != 0) return result;
  }
  list.error_idx = list.count;
  if (request == VIDIOC_G_EXT_CTRLS) return 0;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    list.controls[i].value = values[i];
    if (request == VIDIOC_S_EXT_CTRLS) FindControl(node, list.controls[i].id)->value = values[i];
  }
  return 0;
}

}  // namespace

int ControlIoctl(Node& node, unsigned long request, void* argument) {
  switch (request) {
    case VIDIOC_QUERYCTRL:
      return QueryControl(node, *static_cast<v4l2_queryctrl*>(argument));
    case VIDIOC_QUERY_EXT_CTRL:
      return QueryExtControl(node, *static_cast<v4l2_query_ext_ctrl*>(argument));
    case VIDIOC_QUERYMENU:
      return QueryMenu(node, *static_cast<v4l2_querymenu*>(argument));
    case VIDIOC_G_CTRL: {
      auto& get = *static_cast<v4l2_control*>(argument);
      const FakeV4l2Control* control = FindControl(node, get.id);
      if (control == nullptr) return -EINVAL;
      get.value = control->value;
      return 0;
    }
    case VIDIOC_S_CTRL:
      return SetControl(node, *static_cast<v4l2_control*>(argument));
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS:
    case VIDIOC_TRY_EXT_CTRLS:
      return ExtControls(node, request, *static_cast<v4l2_ext_controls*>(argument));
    default:
      return -ENOTTY;
  }
}

}  // namespace devices::fakev4l2
