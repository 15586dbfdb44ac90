# Sourced: screenshot_settled OUT.png writes the X screen of $DISPLAY once it has stopped
# changing (two looks a fifth of a second apart agree), or after 15 s as it is then; a
# thumbnail or an animation frame still on its way would otherwise be caught half drawn.
# shellcheck shell=bash
screenshot_settled() {
    local before="" now
    for _ in $(seq 75); do
        now=$(import -window root rgb:- 2>/dev/null | md5sum)
        [ "$now" = "$before" ] && break
        before=$now
        sleep 0.2
    done
    mkdir -p "$(dirname "$1")"
    import -window root "$1"
}
