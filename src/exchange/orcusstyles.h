#pragma once

#include "exchange/orcusnumbers.h"

#include <map>
#include <orcus/spreadsheet/import_interface.hpp>
#include <string>
#include <vector>

namespace exchange {

// The part of a workbook's styles the import needs: each cell format's number format. All else
// (fonts, fills, borders) is let go by.
class NumberStyles final : public orcus::spreadsheet::iface::import_styles {
    using Color = orcus::spreadsheet::color_elem_t;

public:
    // The number format of the cell format of that index (General when there is none).
    NumberFormat formatOf(std::size_t xf) const;

    void set_font_count(std::size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(orcus::spreadsheet::underline_t) override {}
    void set_font_underline_width(orcus::spreadsheet::underline_width_t) override {}
    void set_font_underline_mode(orcus::spreadsheet::underline_mode_t) override {}
    void set_font_underline_type(orcus::spreadsheet::underline_type_t) override {}
    void set_font_underline_color(Color, Color, Color, Color) override {}
    void set_font_color(Color, Color, Color, Color) override {}
    void set_strikethrough_style(orcus::spreadsheet::strikethrough_style_t) override {}
    void set_strikethrough_type(orcus::spreadsheet::strikethrough_type_t) override {}
    void set_strikethrough_width(orcus::spreadsheet::strikethrough_width_t) override {}
    void set_strikethrough_text(orcus::spreadsheet::strikethrough_text_t) override {}
    std::size_t commit_font() override { return fonts_++; }
    void set_fill_count(std::size_t) override {}
    void set_fill_pattern_type(orcus::spreadsheet::fill_pattern_t) override {}
    void set_fill_fg_color(Color, Color, Color, Color) override {}
    void set_fill_bg_color(Color, Color, Color, Color) override {}
    std::size_t commit_fill() override { return fills_++; }
    void set_border_count(std::size_t) override {}
    void set_border_style(orcus::spreadsheet::border_direction_t,
                          orcus::spreadsheet::border_style_t) override {}
    void set_border_color(orcus::spreadsheet::border_direction_t, Color, Color, Color,
                          Color) override {}
    void set_border_width(orcus::spreadsheet::border_direction_t, double,
                          orcus::length_unit_t) override {}
    std::size_t commit_border() override { return borders_++; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    std::size_t commit_cell_protection() override { return protections_++; }

    void set_number_format_count(std::size_t) override {}
    void set_number_format_identifier(std::size_t id) override { formatId_ = id; }
    void set_number_format_code(std::string_view code) override { formatCode_ = code; }
    std::size_t commit_number_format() override;

    void set_cell_xf_count(std::size_t) override {}
    void set_cell_style_xf_count(std::size_t) override {}
    void set_dxf_count(std::size_t) override {}
    void set_xf_font(std::size_t) override {}
    void set_xf_fill(std::size_t) override {}
    void set_xf_border(std::size_t) override {}
    void set_xf_protection(std::size_t) override {}
    void set_xf_number_format(std::size_t id) override { xfFormat_ = id; }
    void set_xf_style_xf(std::size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(orcus::spreadsheet::hor_alignment_t) override {}
    void set_xf_vertical_alignment(orcus::spreadsheet::ver_alignment_t) override {}
    std::size_t commit_cell_xf() override;
    // A cell style's format and a conditional format name number formats too: not the cells'.
    std::size_t commit_cell_style_xf() override {
        xfFormat_ = 0;
        return styleXfs_++;
    }
    std::size_t commit_dxf() override {
        xfFormat_ = 0;
        return dxfs_++;
    }

    void set_cell_style_count(std::size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(std::size_t) override {}
    void set_cell_style_builtin(std::size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    std::size_t commit_cell_style() override { return cellStyles_++; }

private:
    std::map<std::size_t, std::string> codes_; // number format id -> its code
    std::vector<std::size_t> xfFormats_;       // cell format -> number format id
    std::size_t formatId_ = 0;
    std::string formatCode_;
    std::size_t numberFormats_ = 0;
    std::size_t xfFormat_ = 0;
    std::size_t fonts_ = 0, fills_ = 0, borders_ = 0, protections_ = 0, styleXfs_ = 0, dxfs_ = 0,
                cellStyles_ = 0;
};

} // namespace exchange
