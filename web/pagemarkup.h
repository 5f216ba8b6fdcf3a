#pragma once

#include "pagemodel.h"

#include <string>
#include <vector>

// Where a control stands on the page: in the frame's fieldset that holds it, or in the form itself, with its rectangle
// from that box's top-left corner.
struct Placement {
    const PageModel::Control *control;
    const PageModel::Control *frame; // null: the form
    Twips geometry;
};

// The controls that stand directly in `frame` (null: the form), in reading order: rows from top to bottom, left to
// right within a row. An option placed on the window itself stands in the frame it lies in front of, as the polarity
// options do, so that every group is one fieldset.
std::vector<Placement> placedIn(const PageModel &page, const PageModel::Control *frame);

// The form, every control one element whose id is its name, in its state in the model.
std::string formMarkup(const PageModel &page);
// The rules that give each control, for the layout as wide as the window, its rectangle in twips (--l, --t, --w, --h)
// and its font size in points (--pt).
std::string layoutRules(const PageModel &page);
// Every text that the page shows in its own font: the captions, the characters of every result, the message.
std::string shownText(const PageModel &page);
