// GuiLayer: drawing, event routing and focus for the GUI's widget kinds.
//
// Drawing a frame: the areas to restore (left by hidden, moved and destroyed widgets, and under dirty top-level
// widgets that do not cover their whole rectangle) get their background first; then the tree is walked in
// stacking order (a parent before its children, siblings by ascending z-order). A visible dirty widget is drawn
// whole, clipped to its parent; a clean one that an area drawn this frame touches is drawn again within that
// area only (so a dialog repaints just the place under a changed button). Every drawn part joins the drawn
// areas, so whatever lies above it is drawn again too. The drawn areas go on the render queue, and the dirty
// list is emptied.
//
// Events: the widget that receives one is retained for the call, so a callback that destroys it (or its dialog)
// leaves a live object until the call returns; destroy() defers the removal to the end of the event or frame.
#include "GuiLayer.h"

#include <SDL_events.h>

#include <vector>

#include "Font.h"
#include "FontManager.h"
#include "GraphicSurface.h"
#include "Gui.h"
#include "GuiDialog.h"
#include "GuiLayerAccess.h"
#include "GuiWidget.h"
#include "ImageList.h"
#include "ImageLoader.h"
#include "RenderQueue.h"
#include "SkinLoader.h"
#include "Video.h"
#include "Widget.h"
#include "WidgetManager.h"

namespace {

// More drawn areas than this in one frame are queued as their bounding box, well inside the queue's 1000.
const size_t maxQueuedAreas = 64;

struct LayerState {
    bool active = false;
    GuiWidget *hovered = nullptr;
    GuiWidget *pressed = nullptr;  // retained while the button is held
    GuiWidget *focused = nullptr;
    GuiWidget *dragged = nullptr;  // a dialog moved by its caption bar
    short grabX = 0, grabY = 0;
    std::vector<SDL_Rect> exposed;   // areas to restore
    std::vector<SDL_Rect> refresh;   // areas the game drew over
    std::vector<GuiWidget *> doomed; // retained until taken out
    std::vector<SDL_Rect> damage;    // this frame's drawn areas
    void (*background)(SDL_Rect *) = nullptr;
    GraphicSurface *snapshot = nullptr;
    EngineFont *fonts[3] = {nullptr, nullptr, nullptr};
    ImageList *buttons = nullptr;
    bool buttonsTried = false;
};

LayerState layer;

bool overlaps(const SDL_Rect &a, const SDL_Rect &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool contains(const SDL_Rect &outer, const SDL_Rect &inner)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool containsPoint(const SDL_Rect &r, int x, int y)
{
    return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
}

SDL_Rect intersection(const SDL_Rect &a, const SDL_Rect &b)
{
    Sint32 left = a.x > b.x ? a.x : b.x;
    Sint32 top = a.y > b.y ? a.y : b.y;
    Sint32 right = (a.x + a.w < b.x + b.w) ? a.x + a.w : b.x + b.w;
    Sint32 bottom = (a.y + a.h < b.y + b.h) ? a.y + a.h : b.y + b.h;
    if (right <= left || bottom <= top)
        return SDL_Rect{0, 0, 0, 0};
    return SDL_Rect{Sint16(left), Sint16(top), Uint16(right - left), Uint16(bottom - top)};
}

SDL_Rect screenArea()
{
    return SDL_Rect{0, 0, Uint16(screen ? screen->w : 0), Uint16(screen ? screen->h : 0)};
}

bool empty(const SDL_Rect &r)
{
    return r.w == 0 || r.h == 0;
}

bool touchesDamage(const SDL_Rect &r)
{
    for (const SDL_Rect &d : layer.damage)
        if (overlaps(r, d))
            return true;
    return false;
}

// The bounding box of the parts of r that this frame's drawn areas cover.
SDL_Rect damagedPart(const SDL_Rect &r)
{
    bool any = false;
    Sint32 left = 0, top = 0, right = 0, bottom = 0;
    for (const SDL_Rect &d : layer.damage) {
        SDL_Rect part = intersection(r, d);
        if (empty(part))
            continue;
        if (!any || part.x < left)
            left = part.x;
        if (!any || part.y < top)
            top = part.y;
        if (!any || part.x + part.w > right)
            right = part.x + part.w;
        if (!any || part.y + part.h > bottom)
            bottom = part.y + part.h;
        any = true;
    }
    return any ? SDL_Rect{Sint16(left), Sint16(top), Uint16(right - left), Uint16(bottom - top)} : SDL_Rect{0, 0, 0, 0};
}

void addDamage(const SDL_Rect &r)
{
    if (empty(r))
        return;
    for (const SDL_Rect &d : layer.damage)
        if (contains(d, r))
            return;
    layer.damage.push_back(r);
}

// Whether widget is in the tree (each container holds it) and it and every ancestor are visible.
bool showing(Widget *widget)
{
    if (!widget)
        return false;
    Widget *w = widget;
    for (Widget *up = w->getParent(); up; w = up, up = up->getParent()) {
        if (!w->isVisible() || !up->isChild(w))
            return false;
    }
    if (!w->isVisible())
        return false;
    WidgetManager *manager = WidgetManager::globalManager();
    for (Uint32 i = manager->widgetCount(); i-- > 0;)
        if (manager->widgetAtIndex(i) == w)
            return true;
    return false;
}

// The part of the widget's screen rectangle its ancestors let it show (GUI ancestors clip their children).
SDL_Rect visibleArea(GuiWidget *widget)
{
    SDL_Rect area;
    widget->screenExtents(&area);
    area = intersection(area, screenArea());
    for (Widget *up = widget->getParent(); up; up = up->getParent()) {
        GuiWidget *g = dynamic_cast<GuiWidget *>(up);
        if (g) {
            SDL_Rect outer;
            g->screenExtents(&outer);
            area = intersection(area, outer);
        }
    }
    return area;
}

// Whether a GUI ancestor paints the whole of its rectangle, which holds this widget's visible area.
bool hasOpaqueAncestor(GuiWidget *widget)
{
    for (Widget *up = widget->getParent(); up; up = up->getParent()) {
        GuiWidget *g = dynamic_cast<GuiWidget *>(up);
        if (g && g->isOpaque())
            return true;
    }
    return false;
}

void paintBackground(const SDL_Rect &area)
{
    SDL_Rect r = area;
    SDL_SetClipRect(screen, &r);
    if (layer.background) {
        layer.background(&r);
    } else if (layer.snapshot) {
        SDL_Rect source = r;
        SDL_BlitSurface(layer.snapshot->getSurface(), &source, screen, &r);
    }
    SDL_SetClipRect(screen, nullptr);
}

void drawTree(Widget *widget, const SDL_Rect &clip)
{
    if (!widget->isVisible())
        return;
    GuiWidget *g = dynamic_cast<GuiWidget *>(widget);
    SDL_Rect childClip = clip;
    if (g) {
        SDL_Rect whole;
        g->screenExtents(&whole);
        SDL_Rect area = intersection(whole, clip);
        childClip = area;
        if (empty(area))
            return;
        if (g->isDirty()) {
            SDL_SetClipRect(screen, &area);
            g->draw(whole);
            GuiLayerAccess::drawnArea(g) = area;
            addDamage(area);
        } else if (touchesDamage(area)) {
            // A clean widget is drawn again only where something beneath it was.
            SDL_Rect part = damagedPart(area);
            SDL_SetClipRect(screen, &part);
            g->draw(whole);
            addDamage(part);
            if (empty(GuiLayerAccess::drawnArea(g)))
                GuiLayerAccess::drawnArea(g) = area;
        }
    }
    for (Uint32 i = 0; i < widget->childCount(); ++i)
        drawTree(widget->childAtIndex(i), childClip);
}

void queueDamage()
{
    RenderQueue *queue = RenderQueue::globalRenderQueue();
    if (layer.damage.size() <= maxQueuedAreas) {
        for (SDL_Rect &r : layer.damage)
            queue->addRect(&r);
        return;
    }
    SDL_Rect box = layer.damage[0];
    for (const SDL_Rect &r : layer.damage) {
        Sint32 left = r.x < box.x ? r.x : box.x, top = r.y < box.y ? r.y : box.y;
        Sint32 right = r.x + r.w > box.x + box.w ? r.x + r.w : box.x + box.w;
        Sint32 bottom = r.y + r.h > box.y + box.h ? r.y + r.h : box.y + box.h;
        box = SDL_Rect{Sint16(left), Sint16(top), Uint16(right - left), Uint16(bottom - top)};
    }
    queue->addRect(&box);
}

void takeOutDoomed()
{
    while (!layer.doomed.empty()) {
        GuiWidget *w = layer.doomed.back();
        layer.doomed.pop_back();
        Widget *parent = w->getParent();
        if (parent)
            parent->removeChild(w);
        else
            WidgetManager::globalManager()->removeWidget(w);
        w->makeClean();
        w->release();
    }
}

// The topmost shown modal dialog, or null.
DialogWindow *topModal()
{
    WidgetManager *manager = WidgetManager::globalManager();
    for (Uint32 i = manager->widgetCount(); i-- > 0;) {
        DialogWindow *d = dynamic_cast<DialogWindow *>(manager->widgetAtIndex(i));
        if (d && d->isVisible() && d->isModal())
            return d;
    }
    return nullptr;
}

bool within(Widget *widget, Widget *ancestor)
{
    for (Widget *w = widget; w; w = w->getParent())
        if (w == ancestor)
            return true;
    return false;
}

// The topmost visible GUI widget at (x, y) in widget's subtree, or null.
GuiWidget *hitIn(Widget *widget, int x, int y, const SDL_Rect &clip)
{
    if (!widget->isVisible())
        return nullptr;
    GuiWidget *g = dynamic_cast<GuiWidget *>(widget);
    SDL_Rect childClip = clip;
    if (g) {
        SDL_Rect whole;
        g->screenExtents(&whole);
        childClip = intersection(whole, clip);
        if (!containsPoint(childClip, x, y))
            return nullptr;
    }
    for (Uint32 i = widget->childCount(); i-- > 0;) {
        GuiWidget *hit = hitIn(widget->childAtIndex(i), x, y, childClip);
        if (hit)
            return hit;
    }
    return g;
}

// The widget under (x, y); blocked is set when a modal dialog keeps the point from what lies below it.
GuiWidget *hitTest(int x, int y, bool *blocked)
{
    *blocked = false;
    DialogWindow *modal = topModal();
    if (modal) {
        GuiWidget *hit = hitIn(modal, x, y, screenArea());
        *blocked = hit == nullptr;
        return hit;
    }
    WidgetManager *manager = WidgetManager::globalManager();
    for (Uint32 i = manager->widgetCount(); i-- > 0;) {
        GuiWidget *hit = hitIn(manager->widgetAtIndex(i), x, y, screenArea());
        if (hit)
            return hit;
    }
    return nullptr;
}

void setHovered(GuiWidget *widget)
{
    if (widget == layer.hovered)
        return;
    GuiWidget *old = layer.hovered;
    layer.hovered = widget;
    if (old && old->isVisible())
        old->makeDirty();
    if (widget && widget->isVisible())
        widget->makeDirty();
}

bool takesFocus(Widget *widget)
{
    GuiWidget *g = dynamic_cast<GuiWidget *>(widget);
    return g && g->isFocusable() && g->isEnabled();
}

void collectFocusable(Widget *widget, std::vector<GuiWidget *> &out)
{
    if (!widget->isVisible())
        return;
    if (takesFocus(widget))
        out.push_back(static_cast<GuiWidget *>(widget));
    for (Uint32 i = 0; i < widget->childCount(); ++i)
        collectFocusable(widget->childAtIndex(i), out);
}

// Tab order: the stacking order of the tree, within the topmost modal dialog while one is shown.
bool moveFocus(int step)
{
    std::vector<GuiWidget *> order;
    DialogWindow *modal = topModal();
    if (modal) {
        collectFocusable(modal, order);
    } else {
        WidgetManager *manager = WidgetManager::globalManager();
        for (Uint32 i = 0; i < manager->widgetCount(); ++i)
            collectFocusable(manager->widgetAtIndex(i), order);
    }
    if (order.empty())
        return false;
    int count = int(order.size());
    int at = -1;
    for (int i = 0; i < count; ++i)
        if (order[size_t(i)] == layer.focused)
            at = i;
    int next = at < 0 ? (step > 0 ? 0 : count - 1) : ((at + step) % count + count) % count;
    setGuiFocus(order[size_t(next)]);
    return true;
}

// Runs call on widget with a reference held, so that the widget outlives anything its callback does.
template <typename Call>
void withWidget(GuiWidget *widget, Call call)
{
    widget->retain();
    call();
    widget->release();
}

void localPoint(GuiWidget *widget, int x, int y, short *lx, short *ly)
{
    SDL_Rect r;
    widget->screenExtents(&r);
    *lx = short(x - r.x);
    *ly = short(y - r.y);
}

bool handleMouse(SDL_Event *event)
{
    int x = event->type == SDL_MOUSEMOTION ? event->motion.x : event->button.x;
    int y = event->type == SDL_MOUSEMOTION ? event->motion.y : event->button.y;
    bool blocked = false;
    GuiWidget *target = hitTest(x, y, &blocked);
    short lx, ly;
    switch (event->type) {
    case SDL_MOUSEMOTION:
        if (layer.dragged) {
            GuiWidget *d = layer.dragged;
            Sint32 nx = x - layer.grabX, ny = y - layer.grabY;
            SDL_Rect r;
            d->getExtents(&r);
            Sint32 maxX = screen ? screen->w - r.w : 0, maxY = screen ? screen->h - r.h : 0;
            nx = nx > maxX ? maxX : nx;
            ny = ny > maxY ? maxY : ny;
            d->setLocation(short(nx < 0 ? 0 : nx), short(ny < 0 ? 0 : ny));
            return true;
        }
        setHovered(target && target->isEnabled() ? target : nullptr);
        if (layer.pressed) {
            GuiWidget *p = layer.pressed;
            localPoint(p, x, y, &lx, &ly);
            withWidget(p, [&] { p->mouseMoved(lx, ly); });
            return true;
        }
        if (target && target->isEnabled()) {
            localPoint(target, x, y, &lx, &ly);
            withWidget(target, [&] { target->mouseMoved(lx, ly); });
        }
        return target || blocked;
    case SDL_MOUSEBUTTONDOWN:
        if (!target)
            return blocked;
        if (!target->isEnabled())
            return true;
        if (event->button.button == SDL_BUTTON_WHEELUP || event->button.button == SDL_BUTTON_WHEELDOWN) {
            int direction = event->button.button == SDL_BUTTON_WHEELUP ? -1 : 1;
            withWidget(target, [&] { target->mouseWheel(direction); });
            return true;
        }
        if (event->button.button != SDL_BUTTON_LEFT || layer.pressed)
            return true;
        if (takesFocus(target))
            setGuiFocus(target);
        layer.pressed = target;
        target->retain();
        target->makeDirty();
        localPoint(target, x, y, &lx, &ly);
        withWidget(target, [&] { target->mousePressed(lx, ly); });
        return true;
    case SDL_MOUSEBUTTONUP:
        if (event->button.button == SDL_BUTTON_LEFT)
            layer.dragged = nullptr;
        if (event->button.button == SDL_BUTTON_LEFT && layer.pressed) {
            GuiWidget *p = layer.pressed;
            layer.pressed = nullptr;
            localPoint(p, x, y, &lx, &ly);
            SDL_bool inside = target == p ? SDL_TRUE : SDL_FALSE;
            if (p->isVisible())
                p->makeDirty();
            p->mouseReleased(lx, ly, inside);
            p->release();
            return true;
        }
        return target || blocked;
    default:
        return false;
    }
}

bool handleKey(SDL_Event *event, Uint32 quitKey)
{
    SDLKey sym = event->key.keysym.sym;
    if (sym == SDLK_ESCAPE) {
        DialogWindow *modal = topModal();
        if (modal) {
            withWidget(modal, [&] { modal->close(); });
            return true;
        }
    }
    if (Uint32(sym) == quitKey)
        return false;
    if (sym == SDLK_TAB)
        return moveFocus((event->key.keysym.mod & KMOD_SHIFT) ? -1 : 1);
    GuiWidget *f = layer.focused;
    if (!f || !f->isEnabled() || !showing(f))
        return false;
    DialogWindow *modal = topModal();
    if (modal && !within(f, modal))
        return false;
    bool used = false;
    withWidget(f, [&] { used = f->keyPressed(event->key.keysym) == SDL_TRUE; });
    return used;
}

}  // namespace

void GuiLayerAccess::widgetMade(GuiWidget *)
{
    layer.active = true;
}

void GuiLayerAccess::widgetGone(GuiWidget *widget)
{
    if (layer.hovered == widget)
        layer.hovered = nullptr;
    if (layer.focused == widget)
        layer.focused = nullptr;
    if (layer.dragged == widget)
        layer.dragged = nullptr;
    if (layer.pressed == widget)
        layer.pressed = nullptr;
}

void GuiLayerAccess::expose(const SDL_Rect &area)
{
    if (!layer.active)
        return;
    SDL_Rect r = intersection(area, screenArea());
    if (!empty(r))
        layer.exposed.push_back(r);
}

void GuiLayerAccess::destroyLater(GuiWidget *widget)
{
    for (GuiWidget *w : layer.doomed)
        if (w == widget)
            return;
    widget->retain();
    layer.doomed.push_back(widget);
    if (layer.focused && within(layer.focused, widget))
        setGuiFocus(nullptr);
    widget->hide();
}

void GuiLayerAccess::beginDrag(GuiWidget *dialog, short grabX, short grabY)
{
    layer.dragged = dialog;
    layer.grabX = grabX;
    layer.grabY = grabY;
}

SDL_bool GuiLayerAccess::isHovered(GuiWidget *widget)
{
    return layer.hovered == widget ? SDL_TRUE : SDL_FALSE;
}

SDL_bool GuiLayerAccess::isPressed(GuiWidget *widget)
{
    return layer.pressed == widget ? SDL_TRUE : SDL_FALSE;
}

SDL_bool GuiLayerAccess::hasFocus(GuiWidget *widget)
{
    return layer.focused == widget ? SDL_TRUE : SDL_FALSE;
}

EngineFont *guiFont(GuiFontKind kind)
{
    if (!layer.fonts[kind] && skin) {
        EngineFont *caption = skin->getCaptionFont(SDL_TRUE, 0);
        if (!caption)
            return nullptr;
        if (kind == GUIFONT_LIGHT)
            layer.fonts[kind] = caption;
        else if (kind == GUIFONT_TEXT)
            layer.fonts[kind] = FontManager::getFont(caption->getFilename(), 0, 0x1e, 0x2a, 0x3a);
        else
            layer.fonts[kind] = FontManager::getFont(caption->getFilename(), 0, 0x8c, 0x94, 0x9e);
    }
    return layer.fonts[kind];
}

ImageList *guiButtonSheet()
{
    if (!layer.buttonsTried) {
        layer.buttonsTried = true;
        GraphicSurface *image = loadImage("/gfx/buttons/rectangle/blank.tga", 0, 0);
        if (!image)
            image = loadImage("/gfx/buttons/rectangle/medium.tga", 0, 0);
        if (image) {
            layer.buttons = new ImageList(image, 1, 4);
            image->setColorKey(255, 0, 255);
            layer.buttons->retain();
        }
    }
    return layer.buttons;
}

void guiFill(const SDL_Rect &rect, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Rect area = rect;
    SDL_FillRect(screen, &area, SDL_MapRGB(screen->format, r, g, b));
}

void guiFrame(const SDL_Rect &rect, Uint8 r, Uint8 g, Uint8 b)
{
    if (rect.w < 2 || rect.h < 2) {
        guiFill(rect, r, g, b);
        return;
    }
    guiFill(SDL_Rect{rect.x, rect.y, rect.w, 1}, r, g, b);
    guiFill(SDL_Rect{rect.x, Sint16(rect.y + rect.h - 1), rect.w, 1}, r, g, b);
    guiFill(SDL_Rect{rect.x, rect.y, 1, rect.h}, r, g, b);
    guiFill(SDL_Rect{Sint16(rect.x + rect.w - 1), rect.y, 1, rect.h}, r, g, b);
}

void drawGui()
{
    if (!layer.active || !screen)
        return;
    takeOutDoomed();
    WidgetManager *manager = WidgetManager::globalManager();
    if (manager->dirtyWidgetCount() == 0 && layer.exposed.empty() && layer.refresh.empty())
        return;
    if (!layer.background && !layer.snapshot) {
        layer.snapshot = GraphicSurface::newSurface(Uint16(screen->w), Uint16(screen->h), "gui background");
        if (layer.snapshot) {
            layer.snapshot->retain();
            SDL_BlitSurface(screen, nullptr, layer.snapshot->getSurface(), nullptr);
        }
    }
    // A dirty widget that leaves pixels of its own unpainted is drawn over what lies beneath it.
    for (Uint32 i = 0; i < manager->dirtyWidgetCount(); ++i) {
        GuiWidget *g = dynamic_cast<GuiWidget *>(manager->dirtyWidgetAtIndex(i));
        if (!g || g->isOpaque() || !showing(g))
            continue;
        if (hasOpaqueAncestor(g))
            layer.refresh.push_back(visibleArea(g));
        else
            GuiLayerAccess::expose(visibleArea(g));
    }
    layer.damage.clear();
    for (const SDL_Rect &r : layer.exposed) {
        paintBackground(r);
        addDamage(r);
    }
    for (const SDL_Rect &r : layer.refresh)
        addDamage(r);
    layer.exposed.clear();
    layer.refresh.clear();
    for (Uint32 i = 0; i < manager->widgetCount(); ++i)
        drawTree(manager->widgetAtIndex(i), screenArea());
    SDL_SetClipRect(screen, nullptr);
    queueDamage();
    // Cleaning can release a widget's last reference (one taken out of the tree while dirty): its area then
    // waits for the next frame.
    while (manager->dirtyWidgetCount() > 0)
        manager->dirtyWidgetAtIndex(manager->dirtyWidgetCount() - 1)->makeClean();
}

SDL_bool handleGuiEvent(SDL_Event *event, Uint32 quitKey)
{
    if (!event || !layer.active)
        return SDL_FALSE;
    bool used = false;
    switch (event->type) {
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        used = handleMouse(event);
        break;
    case SDL_KEYDOWN:
        used = handleKey(event, quitKey);
        break;
    default:
        break;
    }
    takeOutDoomed();
    return used ? SDL_TRUE : SDL_FALSE;
}

void setGuiBackground(void (*repaint)(SDL_Rect *area))
{
    layer.background = repaint;
}

void refreshGui(SDL_Rect *area)
{
    if (!area)
        return;
    SDL_Rect r = intersection(*area, screenArea());
    if (!empty(r))
        layer.refresh.push_back(r);
}

GuiWidget *guiFocus()
{
    return layer.focused;
}

SDL_bool setGuiFocus(GuiWidget *widget)
{
    if (widget && !takesFocus(widget))
        return SDL_FALSE;
    if (widget == layer.focused)
        return SDL_TRUE;
    GuiWidget *old = layer.focused;
    layer.focused = widget;
    if (old && old->isVisible())
        old->makeDirty();
    if (widget && widget->isVisible())
        widget->makeDirty();
    return SDL_TRUE;
}

void shutdownGuiLayer()
{
    takeOutDoomed();
    if (layer.pressed) {
        GuiWidget *p = layer.pressed;
        layer.pressed = nullptr;
        p->release();
    }
    if (layer.snapshot)
        layer.snapshot->release();
    if (layer.buttons)
        layer.buttons->release();
    layer = LayerState();
}
