#!/usr/bin/env python3
"""Generates the hot-search summary page that the sample service serves and the tests parse.

The page is a believable copy of a microblog service's real-time ranking page: a head with
styles and scripts, a navigation bar, a search box, a side menu, the ranking table and a
footer, about 150 KB in all. Its ranking table is what the widget reads. Every entry is a table
row whose title cell holds the link, a line with the heat number and the cell's end, and whose
next line is the tag cell:

                        <a href="/weibo/..." target="_blank">title</a>
                        <span>1234567</span>
                    </td>
                    <td class="td-03"><i class="icon-txt icon-txt-hot">热</i></td>

The table holds a pinned entry, ranked entries with heat numbers, an advert, entries with every
tag and without one, titles with a bar, with "&amp;" and with "#", and a few rows of unusual
markup that a reader of the page must cope with (upper-case tags, an empty link, an icon
element without attributes). The tick changes the heat numbers, and with them the ranking, from
one page to the next; the same tick always gives the same page.

Besides the page, the generator knows which rows a reader of the page should find, because it
knows how it wrote each row: `expected_rows` gives them as "title|tag" texts, the title exactly
as written in the page and the tag that the tag cell carries ("默认" where it carries none that
can be read).

Run it to write a page (and the rows expected from it):

    tools/hot_search_page.py --tick 0 -o page.html --rows-output rows.txt
    tools/hot_search_page.py --tick 0 --encoding gbk -o page_cp936.html
"""

import argparse
import dataclasses
import datetime
import html
import math
import random
import sys
import urllib.parse

DEFAULT_TAG = "默认"

# The tags the page's icon elements carry, with the class that colours each.
TAG_CLASSES = {
    "新": "icon-txt-new",
    "沸": "icon-txt-boil",
    "热": "icon-txt-hot",
    "荐": "icon-txt-recommend",
    "爆": "icon-txt-explode",
}

# How a row's markup is written.
PLAIN = "plain"  # lower-case markup, the tag (if any) in an icon element with attributes
UPPER_LINK = "upper-link"  # upper-case link and cell ends; the tag cell itself in lower case
UPPER_ALL = "upper-all"  # everything upper case, the tag cell too
BARE_ICON = "bare-icon"  # the tag in an icon element without attributes: "<i>热</i>"


@dataclasses.dataclass(frozen=True)
class Topic:
    title: str  # as the user reads it; written into the page HTML-escaped
    heat: int  # the heat around which the topic's number moves from tick to tick
    tag: str = ""  # the icon's text, or empty for a row without a tag
    label: str = ""  # a category shown before the heat number
    style: str = PLAIN


PINNED = Topic("#全民健身日# 一起动起来", 0)
ADVERT = Topic("冬季新品上市 全场限时优惠", 0, tag="荐")

# The ranked topics. The last few, of unusual markup, are kept far down the ranking (their heat
# stays below that of the first eleven at every tick), so that a widget showing the sample
# service reads normal entries at the top.
TOPICS = [
    Topic("#今日冬至#", 4_800_000, tag="沸"),
    Topic("寒潮蓝色预警", 3_900_000, tag="爆"),
    Topic("多地迎来今冬首场降雪", 3_600_000, tag="沸"),
    Topic("春运首日火车票开售", 3_100_000, tag="热"),
    Topic("新剧定档|今晚八点首播", 2_600_000, tag="热", label="剧集"),
    Topic("中国队 3:0 取胜", 2_400_000, tag="热"),
    Topic("航天员完成出舱活动", 2_200_000),
    Topic("R&B音乐节门票开抢", 1_900_000, tag="新"),
    Topic("周末电影票房破纪录", 1_700_000, label="电影"),
    Topic("国产大飞机交付首家用户", 1_600_000, tag="新"),
    Topic("年轻人为什么爱上逛公园", 1_450_000),
    Topic("#冬天的第一杯热饮#", 1_300_000),
    Topic("考研倒计时一周", 1_250_000, tag="热"),
    Topic("地铁新线路今日开通", 1_200_000),
    Topic("博物馆推出夜场", 1_100_000, tag="新"),
    Topic("外卖小哥雨中送餐", 1_050_000),
    Topic("猫咪的迷惑行为大赏", 980_000, label="萌宠"),
    Topic("東京站演唱會加場", 940_000, tag="新"),
    Topic("網友晒出家鄉的年夜飯", 900_000),
    Topic("城市马拉松报名开启", 870_000),
    Topic("#周末去哪儿# 城市周边游", 840_000),
    Topic("过年回家的第一顿饭", 800_000, tag="热"),
    Topic("大学生毕业设计有多卷", 760_000),
    Topic("油价迎来年内最后一次调整", 720_000, tag="新"),
    Topic("天气预报 明天降温10度", 700_000),
    Topic("新款国产手机发布会", 680_000, label="数码"),
    Topic("高铁上的暖心一幕", 650_000),
    Topic("A股三大指数集体收涨", 620_000, label="财经"),
    Topic("女排联赛半决赛", 600_000, label="体育"),
    Topic("图书馆延长开放时间", 560_000),
    Topic("第一批零零后开始养生", 530_000),
    Topic("火锅店排队三小时", 500_000),
    Topic("Q&A 冬季流感怎么防", 470_000, tag="新"),
    Topic("景区门票半价", 450_000),
    Topic("动物园熊猫吃竹子", 430_000, label="萌宠"),
    Topic("年终奖发放时间", 410_000),
    Topic("奶茶第二杯半价", 390_000),
    Topic("综艺节目收官", 370_000, label="综艺"),
    Topic("冰雪大世界开园", 350_000),
    Topic("小区楼下的流浪猫", 330_000),
    Topic("读书打卡第一百天", 310_000),
    Topic("家长群的日常", 300_000),
    # Unusual markup, kept below the first eleven.
    Topic("夜跑的人越来越多了", 170_000, tag="新", style=UPPER_LINK),
    Topic("旧手机回收价格", 160_000, tag="热", style=UPPER_ALL),
    Topic("凌晨四点的菜市场", 150_000, tag="热", style=BARE_ICON),
    Topic("", 140_000, tag="新"),
    Topic("菜价回落", 130_000, tag="热"),
    Topic("年货清单", 120_000),
]

# The advert stands after this many ranked rows, as sponsored entries do on such pages.
ADVERT_AFTER = 3

BASE_TIME = datetime.datetime(2024, 12, 21, 9, 0, 0)


@dataclasses.dataclass(frozen=True)
class Entry:
    """One row of the ranking table as the page shows it at one tick."""

    kind: str  # "pinned", "ranked" or "advert"
    topic: Topic
    rank: int = 0  # for ranked rows, from 1
    heat: int = 0  # for ranked rows

    @property
    def title_html(self):
        return html.escape(self.topic.title, quote=False)

    @property
    def expected_tag(self):
        """The tag a reader of the page finds in this row's tag cell."""
        # An icon without attributes, or a tag cell written in upper case, holds no tag that
        # the reader's markers (class="td-03"> ... i>, then "> ... </) pick out.
        if self.topic.tag and self.topic.style in (PLAIN, UPPER_LINK):
            return self.topic.tag
        return DEFAULT_TAG

    @property
    def expected_row(self):
        return self.title_html + "|" + self.expected_tag


def topic_heat(index, topic, tick):
    """The topic's heat at `tick`: a slow swing around its base, plus some noise."""
    swing = 0.3 * math.sin(tick * 0.9 + index * 1.7)
    noise = random.Random(f"{tick}:{index}").uniform(-0.08, 0.08)
    return max(1, int(topic.heat * (1.0 + swing + noise)))


def build_entries(tick=0):
    """The rows of the ranking table at `tick`, in page order."""
    ranked = sorted(
        ((topic_heat(i, t, tick), i, t) for i, t in enumerate(TOPICS)),
        key=lambda item: (-item[0], item[1]),
    )
    entries = [Entry("pinned", PINNED)]
    for rank, (heat, _, topic) in enumerate(ranked, start=1):
        entries.append(Entry("ranked", topic, rank=rank, heat=heat))
        if rank == ADVERT_AFTER:
            entries.append(Entry("advert", ADVERT))
    return entries


def expected_rows(entries):
    """The "title|tag" rows that a reader of the page finds, in page order."""
    return [entry.expected_row for entry in entries]


# ---------------------------------------------------------------------------------------------
# The ranking table


def search_href(title):
    return "/weibo/" + urllib.parse.quote(title, safe="")


def tag_cell(topic):
    """The content of the tag cell (between <td class="td-03"> and </td>)."""
    if not topic.tag:
        return ""
    if topic.style == BARE_ICON:
        return f"<i>{topic.tag}</i>"
    icon_class = TAG_CLASSES.get(topic.tag, "icon-txt-other")
    if topic.style == UPPER_ALL:
        return f'<I CLASS="icon-txt {icon_class}">{topic.tag}</I>'
    return f'<i class="icon-txt {icon_class}">{topic.tag}</i>'


def render_row(entry):
    topic = entry.topic
    upper = topic.style in (UPPER_LINK, UPPER_ALL)
    tr, td, a, span = ("TR", "TD", "A", "SPAN") if upper else ("tr", "td", "a", "span")
    cls, href, target = ("CLASS", "HREF", "TARGET") if upper else ("class", "href", "target")
    td03 = '<TD CLASS="td-03">' if topic.style == UPPER_ALL else '<td class="td-03">'

    if entry.kind == "pinned":
        rank_cell = '<td class="td-01"><i class="icon-top"></i></td>'
        link = f'<a href="{search_href(topic.title)}" target="_blank">{entry.title_html}</a>'
        heat_line = None
    elif entry.kind == "advert":
        rank_cell = '<td class="td-01"><i class="icon-recommend"></i></td>'
        link = (
            '<a href="javascript:void(0);" action-type="ad_click" '
            f'word="{html.escape(topic.title)}" '
            'suda-data="key=tblog_search_hotlist&amp;value=ad_pos_4">'
            f"{entry.title_html}</a>"
        )
        heat_line = None
    else:
        top = " ranktop" if entry.rank <= 3 else ""
        rank_cell = f'<{td} {cls}="td-01{top}">{entry.rank}</{td}>'
        link = (
            f'<{a} {href}="{search_href(topic.title)}" {target}="_blank">'
            f"{entry.title_html}</{a}>"
        )
        label = f"{topic.label} " if topic.label else ""
        heat_line = f"<{span}>{label}{entry.heat}</{span}>"

    lines = [
        f'<{tr} {cls}="">',
        f"    {rank_cell}",
        f'    <{td} {cls}="td-02">',
        f"        {link}",
    ]
    if heat_line is not None:
        lines.append(f"        {heat_line}")
    lines += [
        f"    </{td}>",
        f"    {td03}{tag_cell(topic)}</{td}>",
        f"</{tr}>",
    ]
    return "".join(" " * 28 + line + "\n" for line in lines)


def render_table(entries):
    head = (
        "                    <table>\n"
        "                        <thead>\n"
        '                            <tr class="thead_tr">\n'
        '                                <th class="th-01">序号</th>\n'
        '                                <th class="th-02">关键词</th>\n'
        '                                <th class="th-03"></th>\n'
        "                            </tr>\n"
        "                        </thead>\n"
        "                        <tbody>\n"
    )
    rows = "".join(render_row(entry) for entry in entries)
    return head + rows + "                        </tbody>\n                    </table>\n"


# ---------------------------------------------------------------------------------------------
# The rest of the page: what makes it a page rather than a table. It does not change with the
# tick, apart from the update time.

NAV_LINKS = [
    ("首页", "/"),
    ("热搜", "/top/summary?cate=realtimehot"),
    ("要闻", "/top/summary?cate=socialevent"),
    ("文娱", "/top/summary?cate=entrank"),
    ("话题", "/top/summary?cate=topicband"),
    ("视频", "/video"),
    ("图片", "/pic"),
    ("找人", "/user"),
]

SIDE_MENU = [
    ("实时热点", "realtimehot", "每分钟更新一次"),
    ("要闻榜", "socialevent", "每十分钟更新一次"),
    ("文娱榜", "entrank", "每十分钟更新一次"),
    ("话题榜", "topicband", "每小时更新一次"),
    ("同城榜", "localhot", "每十分钟更新一次"),
    ("体育榜", "sport", "每十分钟更新一次"),
]

FOOTER_LINKS = [
    ("关于我们", "/about"),
    ("帮助中心", "/help"),
    ("用户协议", "/agreement"),
    ("隐私政策", "/privacy"),
    ("侵权投诉", "/complaint"),
    ("举报处理", "/report"),
    ("开放平台", "/open"),
    ("广告服务", "/ads"),
]

FACE_COUNT = 360  # faces of the comment box, each with a sprite rule and a data record

EMOTICON_NAMES = (
    "哈哈 笑cry 嘻嘻 可爱 太开心 鼓掌 爱你 心 赞 good 加油 威武 给力 酷 馋嘴 挤眼 偷笑 "
    "思考 疑问 费解 晕 衰 泪 悲伤 委屈 生病 吃惊 怒 哼 鄙视 白眼 汗 困 睡 打脸 吃瓜 "
    "并不简单 允悲 坏笑 舔屏 污 憧憬 饥饿 抓狂 嘘 黑线 顶 拜拜 握手 耶 ok 作揖 抱抱 "
    "太阳 月亮 浮云 下雨 雪人 蛋糕 礼物 鲜花 蜡烛 干杯 咖啡 奶茶 西瓜 肥皂 微风 飞机"
).split()


def render_styles():
    base = """\
        html,body,div,span,h1,h2,h3,p,a,ul,li,table,thead,tbody,tr,th,td,form,input,button{margin:0;padding:0;border:0;font-size:100%;vertical-align:baseline}
        body{font:12px/1.5 "PingFang SC","Microsoft YaHei",Arial,sans-serif;color:#333;background:#f2f2f5}
        a{color:#333;text-decoration:none}
        a:hover{color:#eb7350}
        ul,li{list-style:none}
        .clearfix:after{content:"";display:block;clear:both;height:0;visibility:hidden}
        .m-top-nav{position:fixed;top:0;left:0;right:0;z-index:100;height:50px;background:#fff;box-shadow:0 1px 3px rgba(0,0,0,.08)}
        .m-top-nav .nav-inner{width:1000px;margin:0 auto;height:50px;line-height:50px}
        .m-top-nav .logo{float:left;width:120px;height:50px;background:url(/img/logo.png) no-repeat 0 center}
        .m-top-nav .nav-list{float:left;margin-left:30px}
        .m-top-nav .nav-list li{float:left;margin-right:24px;font-size:14px}
        .m-top-nav .nav-list li.cur a{color:#ff8200;font-weight:bold}
        .m-search{float:right;width:300px;margin-top:10px;height:30px;line-height:30px}
        .m-search input{width:240px;height:28px;padding:0 8px;border:1px solid #e6e6e6;border-radius:2px 0 0 2px}
        .m-search button{width:44px;height:30px;background:#ff8200;color:#fff;border-radius:0 2px 2px 0;cursor:pointer}
        .m-wrap{width:1000px;margin:70px auto 0}
        .m-side{float:left;width:180px}
        .m-side .card{background:#fff;border-radius:4px;padding:10px 0;margin-bottom:10px}
        .m-side .card li a{display:block;padding:8px 20px;font-size:14px}
        .m-side .card li a span{display:block;font-size:12px;color:#939393}
        .m-side .card li.cur a{background:#fff6ee;color:#ff8200}
        .m-main{float:right;width:810px}
        .m-main .card{background:#fff;border-radius:4px;padding:0 20px 20px}
        .m-main .card-top{height:48px;line-height:48px;border-bottom:1px solid #f2f2f5}
        .m-main .card-top h2{float:left;font-size:16px}
        .m-main .card-top .time{float:right;color:#939393}
        #pl_top_realtimehot table{width:100%;border-collapse:collapse}
        #pl_top_realtimehot th{height:40px;color:#939393;font-weight:normal;text-align:left}
        #pl_top_realtimehot td{height:40px;border-bottom:1px solid #f2f2f5}
        #pl_top_realtimehot .td-01{width:60px;text-align:center;font-size:16px;color:#939393}
        #pl_top_realtimehot .td-01.ranktop{color:#ff8200;font-style:italic}
        #pl_top_realtimehot .td-02 a{font-size:14px;margin-right:10px}
        #pl_top_realtimehot .td-02 span{color:#939393}
        #pl_top_realtimehot .td-03{width:40px;text-align:center}
        .icon-top{display:inline-block;width:16px;height:16px;background:url(/img/icon_top.png) no-repeat}
        .icon-recommend{display:inline-block;width:16px;height:16px;background:url(/img/icon_ad.png) no-repeat}
        .icon-txt{display:inline-block;width:16px;height:16px;line-height:16px;border-radius:2px;color:#fff;font-size:12px;font-style:normal;text-align:center}
        .icon-txt-new{background:#ff3852}
        .icon-txt-boil{background:#f86400}
        .icon-txt-hot{background:#ff9406}
        .icon-txt-recommend{background:#00b7ee}
        .icon-txt-explode{background:#bd0000}
        .m-footer{width:1000px;margin:20px auto;padding:20px 0;color:#939393;text-align:center}
        .m-footer .links a{margin:0 8px;color:#939393}
        @media screen and (max-width:1000px){.m-wrap,.m-top-nav .nav-inner,.m-footer{width:100%}.m-side{display:none}.m-main{float:none;width:auto}}
"""
    # The face sprite sheet: one rule per face, as such sites ship them.
    faces = []
    for i in range(FACE_COUNT):
        column, row = i % 40, i // 40
        faces.append(
            f"        .face.face-{i:04d}{{background-position:-{column * 24}px -{row * 24}px}}"
            f".face-{i:04d}.face-big{{background-position:-{column * 48}px -{row * 48}px;"
            "width:48px;height:48px}\n"
        )
    return "    <style>\n" + base + "".join(faces) + "    </style>\n"


def render_scripts(updated):
    rng = random.Random(20241221)
    config = (
        "    <script>\n"
        "        var $CONFIG = {};\n"
        "        $CONFIG['islogin'] = '0';\n"
        "        $CONFIG['page'] = 'top_summary';\n"
        "        $CONFIG['cate'] = 'realtimehot';\n"
        "        $CONFIG['version'] = '20241221.1';\n"
        "        $CONFIG['jsPath'] = '/js/';\n"
        "        $CONFIG['cssPath'] = '/css/';\n"
        f"        $CONFIG['servertime'] = '{int(updated.timestamp())}';\n"
        "        $CONFIG['lang'] = 'zh-cn';\n"
        "    </script>\n"
    )
    loader = """\
    <script>
        (function (win, doc) {
            var modules = {}, waiting = {};
            function define(name, deps, factory) {
                modules[name] = { deps: deps, factory: factory, exports: null };
                (waiting[name] || []).forEach(function (fn) { fn(); });
            }
            function require(name) {
                var m = modules[name];
                if (!m) { throw new Error('module ' + name + ' is missing'); }
                if (m.exports === null) {
                    m.exports = {};
                    m.factory.apply(win, m.deps.map(require).concat([m.exports]));
                }
                return m.exports;
            }
            define('util/dom', [], function (exports) {
                exports.byId = function (id) { return doc.getElementById(id); };
                exports.on = function (el, type, fn) { el.addEventListener(type, fn, false); };
                exports.text = function (el) { return el.textContent || el.innerText || ''; };
            });
            define('util/log', [], function (exports) {
                exports.send = function (key, value) {
                    var img = new Image();
                    img.src = '/log?key=' + encodeURIComponent(key) + '&value=' + encodeURIComponent(value) + '&_t=' + (+new Date());
                };
            });
            define('page/hotlist', ['util/dom', 'util/log'], function (dom, log, exports) {
                exports.init = function () {
                    var panel = dom.byId('pl_top_realtimehot');
                    if (!panel) { return; }
                    dom.on(panel, 'click', function (e) {
                        var target = e.target || e.srcElement;
                        if (target && target.tagName === 'A') {
                            log.send('hotlist_click', dom.text(target));
                        }
                    });
                };
            });
            win.STK = { define: define, require: require };
            doc.addEventListener('DOMContentLoaded', function () { require('page/hotlist').init(); });
        })(window, document);
    </script>
"""
    # The emoticon table that the page's comment box uses, as one long data script.
    faces = []
    for i in range(FACE_COUNT):
        name = EMOTICON_NAMES[i % len(EMOTICON_NAMES)]
        group = ("默认", "心情", "浪小花", "暖暖环保", "小黄人")[i * 5 // FACE_COUNT]
        digest = "".join(rng.choice("0123456789abcdef") for _ in range(32))
        faces.append(
            f'{{"phrase":"[{name}]","type":"face","url":"/img/face/{digest}.png",'
            f'"hot":{str(i < 40).lower()},"common":{str(i < 120).lower()},'
            f'"category":"{group}","icon":"face-{i:04d}","value":"[{name}]","picid":""}}'
        )
    data = (
        "    <script>\n"
        "        window.__FACE_DATA__ = [" + ",\n            ".join(faces) + "];\n"
        "    </script>\n"
    )
    tracker = """\
    <script>
        var _trackq = _trackq || [];
        _trackq.push(['setPage', 'top_summary_realtimehot']);
        (function () {
            var s = document.createElement('script');
            s.async = true;
            s.src = '/js/track.js?v=20241221';
            var first = document.getElementsByTagName('script')[0];
            first.parentNode.insertBefore(s, first);
        })();
    </script>
"""
    return config + loader + data + tracker


def render_page(entries, updated):
    current = ' class="cur"'
    nav = "".join(
        f'                <li{current if i == 1 else ""}>'
        f'<a href="{href}">{name}</a></li>\n'
        for i, (name, href) in enumerate(NAV_LINKS)
    )
    side = "".join(
        f'                    <li{current if i == 0 else ""}>'
        f'<a href="/top/summary?cate={cate}">{name}<span>{note}</span></a></li>\n'
        for i, (name, cate, note) in enumerate(SIDE_MENU)
    )
    footer = "".join(
        f'            <a href="{href}" target="_blank">{name}</a>\n' for name, href in FOOTER_LINKS
    )
    stamp = updated.strftime("%Y-%m-%d %H:%M")
    return (
        "<!DOCTYPE html>\n"
        '<html lang="zh-CN">\n'
        "<head>\n"
        '    <meta charset="utf-8">\n'
        '    <meta name="viewport" content="width=device-width, initial-scale=1">\n'
        '    <meta name="keywords" content="热搜榜,实时热点,热门话题,热搜">\n'
        '    <meta name="description" content="实时热搜榜，每分钟更新一次，看看大家都在搜什么。">\n'
        "    <title>实时热搜榜</title>\n"
        '    <link rel="shortcut icon" href="/favicon.ico" type="image/x-icon">\n'
        '    <link rel="stylesheet" href="/css/frame.css?v=20241221">\n'
        + render_styles()
        + render_scripts(updated)
        + "</head>\n"
        "<body>\n"
        '    <div class="m-top-nav">\n'
        '        <div class="nav-inner clearfix">\n'
        '            <a class="logo" href="/" title="首页"></a>\n'
        '            <ul class="nav-list">\n' + nav + "            </ul>\n"
        '            <form class="m-search" action="/weibo" method="get">\n'
        '                <input type="text" name="q" placeholder="大家都在搜" autocomplete="off">'
        '<button type="submit">搜索</button>\n'
        "            </form>\n"
        "        </div>\n"
        "    </div>\n"
        '    <div class="m-wrap clearfix">\n'
        '        <div class="m-side">\n'
        '            <div class="card">\n'
        "                <ul>\n" + side + "                </ul>\n"
        "            </div>\n"
        "        </div>\n"
        '        <div class="m-main">\n'
        '            <div class="card">\n'
        '                <div class="card-top clearfix">\n'
        "                    <h2>实时热搜榜</h2>\n"
        f'                    <span class="time">更新于 {stamp}</span>\n'
        "                </div>\n"
        '                <div id="pl_top_realtimehot" class="data">\n'
        + render_table(entries)
        + "                </div>\n"
        "            </div>\n"
        "        </div>\n"
        "    </div>\n"
        '    <div class="m-footer">\n'
        '        <p class="links">\n' + footer + "        </p>\n"
        "        <p>示例热搜服务，仅供测试使用。</p>\n"
        "    </div>\n"
        "</body>\n"
        "</html>\n"
    )


def page_for_tick(tick=0, updated=None):
    """The page at `tick` and its entries. `updated` defaults to a time derived from the tick,
    so that the same tick always gives the same page."""
    if updated is None:
        updated = BASE_TIME + datetime.timedelta(minutes=tick)
    entries = build_entries(tick)
    return render_page(entries, updated), entries


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tick", type=int, default=0, help="which page of the sequence (0)")
    parser.add_argument("-o", "--output", help="the page file (standard output when absent)")
    parser.add_argument(
        "--encoding",
        default="utf-8",
        choices=("utf-8", "gbk"),
        help="encoding of the written files: utf-8 (as served) or gbk (code page 936)",
    )
    parser.add_argument("--rows-output", help="also write the expected rows, one per line")
    args = parser.parse_args(argv)

    page, entries = page_for_tick(args.tick)
    data = page.encode(args.encoding)
    if args.output:
        with open(args.output, "wb") as f:
            f.write(data)
    else:
        sys.stdout.buffer.write(data)
    if args.rows_output:
        with open(args.rows_output, "wb") as f:
            f.write("".join(row + "\n" for row in expected_rows(entries)).encode(args.encoding))
    return 0


if __name__ == "__main__":
    sys.exit(main())
