# bash completion for pictavo                                   -*- shell-script -*-

_pictavo_languages() {
    local dir f names=()
    for dir in "${TESSDATA_PREFIX:-}" /usr/share/tesseract-ocr/5/tessdata /usr/share/tesseract-ocr/4.00/tessdata; do
        [ -n "$dir" ] && [ -d "$dir" ] || continue
        for f in "$dir"/*.traineddata; do
            [ -e "$f" ] || continue
            f=${f##*/}; f=${f%.traineddata}
            [ "$f" = osd ] || [ "$f" = equ ] || names+=("$f")
        done
    done
    printf '%s\n' "${names[@]}"
}

_pictavo() {
    # The file patterns below are extended globs.
    local restore
    restore=$(shopt -p extglob)
    shopt -s extglob
    _pictavo_complete
    eval "$restore"
}

_pictavo_complete() {
    local cur prev command="" mode="" i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        capture | export | text) [ -z "$command" ] && command=${COMP_WORDS[i]} ;;
        screen | window | region | last-region) [ "$command" = capture ] && [ -z "$mode" ] && mode=${COMP_WORDS[i]} ;;
        esac
    done

    case $prev in
    --scale)
        COMPREPLY=($(compgen -W "100 75 50 25" -- "$cur"))
        return ;;
    --delay | --page)
        return ;;
    --lang)
        # Languages joined with +: complete the last one.
        local head=${cur%+*} langs
        langs=$(_pictavo_languages)
        if [ "$head" = "$cur" ]; then
            COMPREPLY=($(compgen -W "$langs" -- "$cur"))
        else
            COMPREPLY=($(compgen -P "$head+" -W "$langs" -- "${cur##*+}"))
        fi
        return ;;
    --output)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return ;;
    --preview)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -X '!*.@(png|PNG|jpg|JPG|jpeg|JPEG|gif|GIF|bmp|BMP|tif|TIF|tiff|TIFF|webp|WEBP)' -- "$cur") $(compgen -d -- "$cur"))
        return ;;
    esac

    local options files=1
    case $command in
    capture)
        if [ -z "$mode" ]; then
            COMPREPLY=($(compgen -W "screen window region last-region" -- "$cur"))
            return
        fi
        options="--delay --output --clipboard --history"
        [ "$mode" = screen ] && options+=" --all"
        [ "$mode" = region ] && options+=" --text --lang"
        files=0 ;;
    export) options="--output --scale --redact" ;;
    text) options="--lang --page" ;;
    *) options="--preview --version --help" ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --" -- "$cur"))
        return
    fi
    if [ -z "$command" ] && [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "capture export text" -- "$cur"))
    fi
    if [ "$files" = 1 ]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY+=($(compgen -f -X '!*.@(png|PNG|jpg|JPG|jpeg|JPEG|gif|GIF|bmp|BMP|tif|TIF|tiff|TIFF|webp|WEBP|pdf|PDF|pictproj)' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -F _pictavo pictavo
