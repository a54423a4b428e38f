// The form of every pixel operation of the core: `OpStatus Op(const PixelView& in,
// const PixelView& out, const Params&)`. The caller allocates and locks both views; the
// operation checks its inputs first and writes only `out`.
#pragma once

namespace mirelo {

struct OpStatus {
    int code = 0;                       // 0: done
    const char16_t* message = nullptr;  // the text to show for a failure, or null

    bool ok() const { return code == 0; }
    static OpStatus Failed(const char16_t* text, int code = 1) { return OpStatus{code, text}; }
};

}  // namespace mirelo
