#pragma once

#include "editor/DrawList.h"
#include "editor/ElementMap.h"
#include "editor/Geometry.h"
#include "editor/LinkRouter.h"
#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar {

// Turns one page of the diagram into drawing steps: grid maps, pictures, names,
// decorations, input annotations and wires (full render); live values, hover
// blink, displays, dials and switch levers (overlay); selection marks. The
// painter only carries the steps out.
class PageRenderer {
public:
    PageRenderer(tECU& ecu, LinkRouter& router, const TextMetrics& metrics);

    // Full redraw of the page. Rebuilds the index tables, the element map and,
    // when the page's routes are not valid, the routes.
    void RenderPage(int page, bool advanced, DrawList& out);
    // The transient layer over a full render: output pin marks in the element
    // map, hover blink, displays, dials and switch levers.
    void RenderOverlay(int page, Point mouse, DrawList& out);
    // The red mark of one selected element.
    void DrawSelectionMark(int element, DrawList& out) const;
    // The live address under the mouse at the last overlay, -1 for none.
    int hoveredAddress() const { return hovered_; }
    bool blinkPhase() const { return blinkPhase_; }

    const ElementMap& elementMap() const { return map_; }
    // The element's box, with a Label's name measured in the label face.
    ElementBox boxOf(int element) const;
    // The source of a link word: the element and output whose live address it
    // holds (the first in element order); false when no output lives there.
    bool sourceOf(uint16_t linkWord, int& element, int& output) const;

    // The name of the output a link word points at, for annotations beside pins.
    std::string sourceName(uint16_t linkWord, bool withPage) const;

private:
    void drawElement(int i, bool recompute, DrawList& out);
    void decorate(int i, const ElementBox& box, DrawList& out);
    void pinNames(int i, const ElementBox& box, DrawList& out);
    void annotateInputs(int i, bool recompute, DrawList& out);
    void markCells(int i, const ElementBox& box, bool recompute);
    void buildSourceTable();
    int findHovered(int page, Point mouse) const;
    void overlayElement(int i, DrawList& out);
    void overlayDial(int i, const ElementBox& box, DrawList& out);
    // An input's value: the live word it links to, or its literal.
    int16_t inputValue(int i, int k) const;
    // Text right-aligned to end 2 pixels left of the element's left edge,
    // centred on the pin row; returns its width.
    int writeBesidePin(const ElementBox& box, int input, const std::string& text, int width,
                       DrawList& out) const;
    void blockBesidePin(const ElementBox& box, int input, int width);
    // A name written beside a pin leaves room for the live value after it.
    int besidePinWidth(int element, const std::string& text) const;
    void failedRouteLabel(const RouteRecord& record, bool replayed, DrawList& out);
    void overlayOutputs(int i, const ElementBox& box, DrawList& out);
    // The live text beside a linked input, or for a Gauge on its dial; empty when
    // the input shows its value through its wire.
    bool linkedInputText(int i, int k, std::string& text) const;
    Rgb liveColour(int address) const;

    tECU& ecu_;
    LinkRouter& router_;
    const TextMetrics& metrics_;
    ElementMap map_;
    int page_ = 0;
    int blinkCounter_ = 0;
    bool blinkPhase_ = false;
    int hovered_ = -1;
    // Element owning each even live address (by live word), -1 for none.
    std::vector<int16_t> sourceElement_;
};

} // namespace zolmar
