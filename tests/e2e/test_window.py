"""The real installer and updater window under the run's X display: what it shows,
and that the close button and the caption band work as a user expects."""
import os
import shutil

import pytest

from window_support import RunningWindow, close_by_button

pytestmark = pytest.mark.skipif(
    not os.environ.get("DISPLAY") or not shutil.which("xdotool") or not shutil.which("import"),
    reason="needs an X display with xdotool and ImageMagick (tools/test.sh provides them)")


def pixels(path):
    """The screenshot as a function (x, y) -> (r, g, b)."""
    from PIL import Image  # Debian's python3-pil, installed by tools/bootstrap.sh
    img = Image.open(path).convert("RGB")
    return img.getpixel, img.size


def ink(getpixel, box, threshold=170):
    """How many light pixels (text) lie in the box."""
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1)
               if min(getpixel((x, y))) >= threshold)


def is_accent(rgb):
    r, g, b = rgb
    return b > 150 and b > r + 60


@pytest.fixture
def window(installation):
    running = []

    def start(*args):
        w = RunningWindow(installation, *args)
        running.append(w)
        return w

    yield start
    for w in running:
        w.kill()


def test_install_page(window):
    w = window()
    g = w.find()
    # Centred on the screen (the whole screen is the work area without a task bar).
    assert abs(g.x - 220) <= 1 and abs(g.y - 222) <= 1, g
    get, size = pixels(w.screenshot("install_page.png"))
    assert size == (840, 580)
    # The install button (centre of its 180 x 40 at 330,362) and the ticked check
    # boxes radio_zmkj and radio_xieyi (14 x 14 at 43,544 and 269,544).
    assert is_accent(get((420, 382)))
    assert is_accent(get((45, 547))) and is_accent(get((271, 547)))
    # Texts are drawn: the title, the folder label and the folder itself.
    assert ink(get, (20, 21, 160, 40)) > 40        # Zephra加速器 - 安装
    assert ink(get, (32, 510, 100, 533)) > 40      # 选择路径
    assert ink(get, (112, 508, 400, 532)) > 60     # C:\Program Files (x86)\KivraClient\
    assert close_by_button(w) == 1


def test_update_flavour_shows_the_progress_page(window):
    w = window("3", "712")
    w.find()
    get, _ = pixels(w.screenshot("update_page.png"))
    # No install page: the button's place shows the backdrop, the progress page's
    # product name sits there instead, and the bar holds 10 of 100.
    assert not is_accent(get((420, 392)))
    assert ink(get, (300, 362, 540, 400)) > 100    # Zephra加速器, size 30
    bar_rows = [y for y in range(480, 575) if is_accent(get((40, y)))]
    assert bar_rows, "no progress bar"
    assert not is_accent(get((200, bar_rows[0])))  # 10 %: the bar ends near 80 px
    assert ink(get, (20, 21, 160, 40)) > 40        # Zephra加速器 - 更新
    assert close_by_button(w) == 1


def test_caption_band_drags_the_window(window):
    w = window()
    before = w.find()
    w.drag(400, 20, 100, 60)
    after = w.geometry()
    assert (after.x - before.x, after.y - before.y) == (100, 60)
    # Pressing below the band (on the backdrop) moves nothing.
    w.drag(400, 300, 50, 50)
    assert (w.geometry().x, w.geometry().y) == (after.x, after.y)
    assert close_by_button(w) == 1


def test_unticked_agreement_greys_the_install_button(window):
    w = window()
    w.find()
    # radio_xieyi's box is the third check box of the row at 544 (14 x 14 at 269).
    w.click(276, 551)
    w.click(420, 382)   # on the greyed install button: no command
    get, _ = pixels(w.screenshot("install_page_no_agreement.png"))
    assert not is_accent(get((276, 551)))          # unticked
    assert not is_accent(get((420, 382)))          # greyed
    assert ink(get, (32, 510, 100, 533)) > 40      # still the install page
    assert close_by_button(w) == 1
