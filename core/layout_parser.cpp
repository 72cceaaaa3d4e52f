#include "core/layout_parser.h"

#include <algorithm>
#include <limits>

namespace quillon::LayoutParser {
namespace {

// Recursive descent over the text after the checksum. Stops (without throwing) at the end
// of the input, at a number past int64, or where a container child consumes nothing.
class Reader {
public:
    explicit Reader(std::string_view input) : input_(input) {}

    void cell(std::vector<LayoutRect>& out, int depth = 0) {
        std::int64_t w, h, x, y;
        if (!number(w)) return;
        skip('x');
        if (!number(h)) return;
        skip(',');
        if (!number(x)) return;
        skip(',');
        if (!number(y)) return;
        if (atEnd()) return;
        const char c = input_[pos_];  // anything but a bracket or a comma ends the cell empty
        if (c == '{' || c == '[') {
            ++pos_;
            group(c == '{' ? '}' : ']', out, depth);
        } else if (c == ',') {
            ++pos_;
            std::int64_t pane;
            // An edge past int64 would wrap in every sum taken of it: that pane is left out.
            constexpr auto most = std::numeric_limits<std::int64_t>::max();
            if (number(pane, true) && w <= most - x && h <= most - y) out.push_back({pane, x, y, w, h});
        }
    }

    bool stopped() const { return stopped_; }

private:
    static constexpr int maxDepth = 256;  // tmux nests far less; a hostile string must not blow the stack

    void group(char close, std::vector<LayoutRect>& out, int depth) {
        if (depth >= maxDepth) {
            stopped_ = true;
            return;
        }
        while (!atEnd() && !stopped_) {
            if (input_[pos_] == close) {
                ++pos_;
                return;
            }
            const std::size_t before = pos_;
            cell(out, depth + 1);
            if (pos_ == before) {
                stopped_ = true;
                return;
            }
            skip(',');
        }
    }

    bool atEnd() const { return pos_ >= input_.size() || stopped_; }

    void skip(char c) {
        if (!atEnd() && input_[pos_] == c) ++pos_;
    }

    // Digits until the first non-digit; none reads as 0. False when the input ends while
    // reading (unless endIsFine) or the value leaves int64.
    bool number(std::int64_t& value, bool endIsFine = false) {
        value = 0;
        while (pos_ < input_.size() && input_[pos_] >= '0' && input_[pos_] <= '9') {
            const int digit = input_[pos_] - '0';
            if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) {
                stopped_ = true;
                return false;
            }
            value = value * 10 + digit;
            ++pos_;
        }
        if (stopped_) return false;
        return endIsFine || pos_ < input_.size();
    }

    std::string_view input_;
    std::size_t pos_ = 0;
    bool stopped_ = false;
};

}  // namespace

std::vector<LayoutRect> parse(std::string_view layout) {
    const auto comma = layout.find(',');
    if (comma == std::string_view::npos) return {};
    std::vector<LayoutRect> out;
    Reader(layout.substr(comma + 1)).cell(out);
    return out;
}

std::pair<std::int64_t, std::int64_t> bounds(const std::vector<LayoutRect>& rects) {
    std::int64_t w = 0, h = 0;
    for (const auto& r : rects) {
        w = std::max(w, r.x + r.w);
        h = std::max(h, r.y + r.h);
    }
    return {w, h};
}

}  // namespace quillon::LayoutParser
