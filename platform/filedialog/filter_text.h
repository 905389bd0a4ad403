// The class library's filter text ("BIN File(*.bin)|*.bin| All File (*.*)|*.*||") in the
// form Qt's file dialog takes ("BIN File(*.bin) (*.bin);;All File (*.*) (*)").
#pragma once

#include <QString>

#include <string_view>

namespace platform::filedialog {

QString QtNameFilters(std::u16string_view filter);

} // namespace platform::filedialog
