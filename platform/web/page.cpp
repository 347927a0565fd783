// The page's side of the back end as C++ functions: each one calls the
// page script's VelmoPage (page.js). Those that wait (a message box, the
// next event) suspend the program's stack until the page answers
// (Emscripten's Asyncify).
#include "web_platform.h"

#include <emscripten.h>

#include <vector>

namespace {

// Pictures go to the page as views of the program's memory, not copies: the
// page puts them on a canvas before the call returns and keeps nothing of
// them.
// clang-format off
EM_JS(int, velmo_create_form, (const char* name, const char* caption, int width, int height, int dialog,
                               int closeBox, int icon), {
    return VelmoPage.createForm(UTF8ToString(name), UTF8ToString(caption), width, height, !!dialog, !!closeBox,
                                !!icon);
});

EM_JS(void, velmo_set_background, (int form, const void* pixels, int width, int height), {
    VelmoPage.setBackground(form, new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4), width, height);
});

EM_JS(void, velmo_show_form, (int form, int modal), { VelmoPage.showForm(form, !!modal); });

EM_JS(void, velmo_close_form, (int form), { VelmoPage.closeForm(form); });

EM_JS(void, velmo_destroy_form, (int form), { VelmoPage.destroyForm(form); });

EM_JS(int, velmo_create_control, (int form, int parent, int kind, int left, int top, int width, int height,
                                  const char* caption, const char* family, double points, int bold,
                                  unsigned color, int tabIndex, unsigned flags, const char* name,
                                  const char* accessibleName), {
    return VelmoPage.createControl(form, parent, kind, left, top, width, height, UTF8ToString(caption),
                                   family ? UTF8ToString(family) : "", points, !!bold, color >>> 0,
                                   tabIndex, flags, UTF8ToString(name),
                                   accessibleName ? UTF8ToString(accessibleName) : "");
});

EM_JS(void, velmo_set_label_for, (int label, int control), { VelmoPage.setLabelFor(label, control); });

EM_JS(void, velmo_show_image, (int control, const void* pixels, int width, int height), {
    const rgba = width && height
        ? new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4) : null;
    VelmoPage.showImage(control, rgba, width, height);
});

EM_JS(void, velmo_set_button_picture, (int control, const void* pixels, int width, int height), {
    VelmoPage.setButtonPicture(control, new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
                               width, height);
});

EM_JS(void, velmo_set_caption, (int control, const char* text), {
    VelmoPage.setCaption(control, UTF8ToString(text));
});

EM_JS(void, velmo_set_fore_color, (int control, unsigned bgr), { VelmoPage.setForeColor(control, bgr >>> 0); });

EM_JS(void, velmo_set_visible, (int control, int visible), { VelmoPage.setVisible(control, !!visible); });

EM_JS(void, velmo_set_focus, (int control, int byKey), { VelmoPage.setFocus(control, !!byKey); });

EM_JS(int, velmo_has_focus, (int control), { return VelmoPage.hasFocus(control) ? 1 : 0; });

EM_JS(void, velmo_set_description, (int control, const char* text), {
    VelmoPage.setDescription(control, UTF8ToString(text));
});

EM_JS(void, velmo_set_list_index, (int control, int index), { VelmoPage.setListIndex(control, index); });

EM_JS(void, velmo_announce, (const char* text), { VelmoPage.announce(UTF8ToString(text)); });

EM_JS(void, velmo_alert, (int control), { VelmoPage.alert(control); });

EM_ASYNC_JS(void, velmo_message_box, (const char* text, const char* title, int style), {
    await VelmoPage.msgBox(UTF8ToString(text), UTF8ToString(title), style);
});

EM_JS(void, velmo_open_help, (const char* page), { VelmoPage.openHelp(UTF8ToString(page)); });

EM_ASYNC_JS(int, velmo_next_event, (), { return await VelmoPage.nextEvent(); });

EM_JS(int, velmo_event_detail, (), { return VelmoPage.eventDetail(); });

// Writes the folder's address into buffer (size bytes with its final zero);
// returns the bytes it needs.
EM_JS(int, velmo_folder, (char* buffer, int size), {
    const href = location.href.split("#")[0].split("?")[0];
    const folder = href.slice(0, href.lastIndexOf("/"));
    const needed = lengthBytesUTF8(folder) + 1;
    if (needed <= size)
        stringToUTF8(folder, buffer, size);
    return needed;
});

EM_JS(void, velmo_end, (int status), { VelmoPage.end(status); });

EM_ASYNC_JS(void, velmo_sleep, (), { await new Promise(() => {}); });
// clang-format on

}  // namespace

namespace platform::page {

int CreateForm(const char* name, const char* caption, int width, int height, bool dialog, bool closeBox, bool icon)
{
    return velmo_create_form(name ? name : "", caption ? caption : "", width, height, dialog, closeBox, icon);
}

void SetBackground(int form, const std::vector<std::uint32_t>& rgba, int width, int height)
{
    velmo_set_background(form, rgba.data(), width, height);
}

void ShowForm(int form, bool modal)
{
    velmo_show_form(form, modal);
}

void CloseForm(int form)
{
    velmo_close_form(form);
}

void DestroyForm(int form)
{
    velmo_destroy_form(form);
}

int CreateControl(int form, int parent, int kind, const Rect& rect, const char* caption, const char* family,
                  double points, bool bold, std::uint32_t color, int tabIndex, unsigned flags,
                  const char* name, const char* accessibleName)
{
    return velmo_create_control(form, parent, kind, rect.left, rect.top, rect.width, rect.height,
                                caption ? caption : "", family, points, bold, color, tabIndex, flags,
                                name ? name : "", accessibleName);
}

void SetLabelFor(int label, int control)
{
    velmo_set_label_for(label, control);
}

void ShowImage(int control, const std::vector<std::uint32_t>& rgba, int width, int height)
{
    if (rgba.empty())
        velmo_show_image(control, nullptr, 0, 0);
    else
        velmo_show_image(control, rgba.data(), width, height);
}

void SetButtonPicture(int control, const std::vector<std::uint32_t>& rgba, int width, int height)
{
    velmo_set_button_picture(control, rgba.data(), width, height);
}

void SetCaption(int control, const std::string& text)
{
    velmo_set_caption(control, text.c_str());
}

void SetForeColor(int control, std::uint32_t bgr)
{
    velmo_set_fore_color(control, bgr);
}

void SetVisible(int control, bool visible)
{
    velmo_set_visible(control, visible);
}

void SetFocus(int control, bool byKey)
{
    velmo_set_focus(control, byKey);
}

bool HasFocus(int control)
{
    return velmo_has_focus(control) != 0;
}

void SetDescription(int control, const std::string& text)
{
    velmo_set_description(control, text.c_str());
}

void SetListIndex(int control, int index)
{
    velmo_set_list_index(control, index);
}

void Announce(const std::string& text)
{
    velmo_announce(text.c_str());
}

void Alert(int control)
{
    velmo_alert(control);
}

void MessageBox(const std::string& text, const std::string& title, int style)
{
    velmo_message_box(text.c_str(), title.c_str(), style);
}

void OpenHelp(const std::string& page)
{
    velmo_open_help(page.c_str());
}

int NextEvent()
{
    return velmo_next_event();
}

int EventDetail()
{
    return velmo_event_detail();
}

std::string Folder()
{
    std::vector<char> buffer(256);
    const int needed = velmo_folder(buffer.data(), static_cast<int>(buffer.size()));
    if (needed > static_cast<int>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(needed));
        velmo_folder(buffer.data(), needed);
    }
    return buffer.data();
}

void End(int status)
{
    velmo_end(status);
}

void Sleep()
{
    velmo_sleep();
}

}  // namespace platform::page
