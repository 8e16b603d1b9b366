# bash completion for quorvane-cli. The options are read from its --help, so they never go out of date;
# preset names come from quorvane-cli --list-presets (the window's settings file).

_quorvane_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        --preset | --save-preset)
            local name
            COMPREPLY=()
            while IFS= read -r name; do
                [[ $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
            done < <("$1" --list-presets 2>/dev/null)
            return
            ;;
        --recover)
            COMPREPLY=($(compgen -W 'finish undo' -- "$cur"))
            return
            ;;
    esac
    # Any other option that takes a value (its --help line names the value) gets no completion.
    if [[ $prev == --* ]] && "$1" --help 2>/dev/null | grep -q -- "^  $prev [A-Za-z]"; then
        return
    fi
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$(_parse_help "$1")' -- "$cur"))
        return
    fi
    _filedir -d
} && complete -F _quorvane_cli quorvane-cli
