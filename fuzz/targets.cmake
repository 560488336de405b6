# The fuzz targets, each built from fuzz_<name>.cpp with its seed corpus in corpus/<name>/ and,
# where it has one, a dictionary in dict/<name>.dict. Read by the fuzz sub-build, which builds
# them, and by the main build, which runs them through ctest.
set(VELVANE_FUZZ_TARGETS
    text_ops
    text_between
    regex
    hot_rows
    utf8_to_local
    url_header
    cookie_merge
    response_headers)
