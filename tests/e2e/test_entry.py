"""The real Update.exe: which mode each command line runs (by exit code) and the log
every start leaves: the start-up banner and the client context's records."""
import re
import shutil

import pytest

from window_support import run_closing_window

TIME = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d"
CTIME = r"[A-Z][a-z]{2} [A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \d{4}\n"
STARTUP_BANNER = (r"\r\n\*{103}\r\n\*\r\n\*" + " " * 38 + "Startup Time : " + CTIME
                  + r"\r\n\*\r\n\*{103}\r\n")

START_TEXT = "---------------------------安装/更新程序开始运行-------------------------"
DEFAULTS = ("默认配置***类型:0,标题名:Zephra加速器,渠道号:VT00001 \r\n "
            "网站链接:http://www.kivra.example,后台:http://api.kivra.example,"
            "分销后台:http://fx.kivra.example\r\n")


def record(function, content):
    return (f"Time: {TIME} -->>  LogLevel: Debug -->> FileName: update\\\\userinfo\\.cpp "
            f"-->> FunctionName: {re.escape(function)} -->> Line: \\d+\r\n"
            f"-->> Content: {re.escape(content)}\r\n")


# Records of the modes themselves (the default installation's, from update\update.cpp)
# belong to those modes' tests; here only the client context's records count.
MODE_RECORD = re.compile(r"Time: [^\r]*-->> FileName: (?!update\\userinfo\.cpp)[^\r]*\r\n"
                         r"-->> Content: .*?\r\n(?=Time: |\r\n\*|\Z)", re.S)


def context_log(log):
    return MODE_RECORD.sub("", log)


def start_records(*config_lines):
    text = STARTUP_BANNER + record("CUserInfo::CUserInfo", START_TEXT)
    text += record("CUserInfo::LoadExeConfig", DEFAULTS)
    for line in config_lines:
        text += record("CUserInfo::LoadExeConfig", line)
    return text


def is_window_mode(args):
    return not (args and args[0] == "QN") and not (len(args) >= 2 and args[1].strip() == "711")


@pytest.mark.parametrize("args, code", [
    ([], 1),                 # installer window
    (["QN"], 2),             # default installation
    (["QN", "711"], 2),      # QN is tested first
    (["qn"], 1),             # case-sensitive: the updater window
    (["QN x"], 1),           # one argument holding a blank: not QN
    (["5", "711"], 1),       # silent update
    (["abc", "711"], 1),     # silent update, client type 0
    (["5", " 711"], 1),      # leading blank inside the argument still counts
    (["5", "712"], 1),       # updater window
    (["5"], 1),
])
def test_dispatch_exit_codes(installation, read_log, args, code):
    if is_window_mode(args):
        # The window stays until a user closes it: close it as one would.
        assert run_closing_window(installation, *args) == code
    else:
        run = installation.run(*args)
        assert run.code == code, run.stderr
    # Every mode reaches the client context first: its banner and records are there,
    # exactly (the modes' own records are their own tests' concern).
    assert re.fullmatch(start_records(), context_log(read_log())), read_log()


def test_log_without_config_is_exact(installation, read_log):
    assert installation.run("QN").code == 2
    assert re.fullmatch(start_records(), context_log(read_log())), read_log()


def test_config_overrides_values(installation, read_log):
    installation.write_config(
        '<?xml version="1.0" encoding="utf-8"?>\n'
        "<root><ClientType>3</ClientType><CaptName>极速加速器</CaptName>"
        "<ChannelNumber>CH042</ChannelNumber><Net_Link>http://site.test</Net_Link>"
        "<Net_Server>http://backend.test</Net_Server><Net_FxServer></Net_FxServer></root>")
    assert installation.run("QN").code == 2
    after = ("读取配置后***类型:3,标题名:极速加速器,渠道号:CH042 \r\n "
             "网站链接:http://site.test,后台:http://backend.test,"
             "分销后台:http://fx.kivra.example\r\n")
    assert re.fullmatch(start_records(after), context_log(read_log())), read_log()


def test_utf16_config_is_read(installation, read_log):
    installation.write_config('<?xml version="1.0" encoding="utf-16"?>'
                              "<ROOT><clienttype>12abc</clienttype></ROOT>", "utf-16")
    assert installation.run("5", "711").code == 1
    assert "读取配置后***类型:12,标题名:Zephra加速器" in read_log()


@pytest.mark.parametrize("content", [
    b"<root><ClientType>3</ClientType>",    # malformed
    b"",                                     # empty
    b"\x00\xff\xfe garbage",                 # not text at all
])
def test_bad_config_keeps_every_default(installation, read_log, content):
    (installation.folder / "config.xml").write_bytes(content)
    assert installation.run("QN").code == 2
    assert re.fullmatch(start_records(), context_log(read_log())), read_log()


def test_each_start_appends_a_banner(installation, read_log):
    # QN moves the program folder's content, Update.exe included: it runs last.
    assert installation.run("5", "711").code == 1
    assert installation.run("QN").code == 2
    log = context_log(read_log())
    assert re.fullmatch(start_records() * 2, log), log


def test_uncreatable_log_folder_does_not_fail_the_run(installation, wine_prefix):
    # A file where the data folder should be: no log, but the mode still runs.
    data = wine_prefix.data_dir
    if data.exists():
        shutil.rmtree(data)
    data.write_bytes(b"in the way")
    try:
        assert installation.run("5", "711").code == 1
        assert installation.run("QN").code == 2
        assert data.read_bytes() == b"in the way"
    finally:
        data.unlink()
