# Tests that run Windows programs share one wine prefix: the test WinePrefix makes (or updates) it before
# them, and WineStop ends its wine server after them in every outcome, so no wine process outlives the run.
# No mono or gecko: nothing here needs them, and their installers would ask on screen.
set(KOVA_WINE_ENVIRONMENT WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
function(kova_wine_fixture prefix)
    add_test(NAME WinePrefix COMMAND sh -c "wineboot --init && wineserver --wait")
    add_test(NAME WineStop COMMAND sh -c "wineserver --kill || true") # none left is fine
    set_tests_properties(WinePrefix WineStop PROPERTIES
        ENVIRONMENT "WINEPREFIX=${prefix};${KOVA_WINE_ENVIRONMENT}" TIMEOUT 300)
    set_tests_properties(WinePrefix PROPERTIES FIXTURES_SETUP wine)
    set_tests_properties(WineStop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
