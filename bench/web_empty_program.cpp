// The floor of the web start-up: a program built as the game is (the same
// compiler options, Asyncify, the pictures linked in) that does nothing but
// put the plain page's content into its page and wait. The time its page
// takes beyond the plain page is what fetching, compiling and starting any
// such program costs on this machine, before the program does any work.
#include <emscripten.h>

#include "bitmap_files.h"
#include "form_pictures.h"

#include <cstddef>

// The plain page's content waits in a <template> of the page; shown as it is.
EM_JS(void, velmo_show_content, (), {
  const content = document.getElementById("content").content.cloneNode(true);
  document.getElementById("desktop").append(content);
  document.querySelector("[autofocus]").focus();
});

// The game's event loop waits in the same way, until the next event.
EM_ASYNC_JS(void, velmo_wait_for_ever, (), { await new Promise(() => {}); });

int main() {
  // Asking for the pictures keeps all of them in the program, as in the game.
  std::size_t bytes = velmo::assets::BitmapFile("BACK.bmp").size() +
                      velmo::assets::FormPictureFile("title.bmp").size();
  velmo_show_content();
  velmo_wait_for_ever();
  return bytes == 0;
}
