# fish completion for pictavo

function __pictavo_languages
    for f in /usr/share/tesseract-ocr/*/tessdata/*.traineddata
        set -l name (basename $f .traineddata)
        contains $name osd equ; or echo $name
    end
end

set -l commands capture export text
set -l modes screen window region last-region
complete -c pictavo -f
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -a capture -d 'Capture the screen, a window or a region'
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -a export -d 'Write the flat image of a project or picture'
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -a text -d 'Print the text of a picture, project or PDF page'
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -l preview -r -F -d 'Open a picture in the preview window'
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -l help -d 'Print the usage'
complete -c pictavo -n "not __fish_seen_subcommand_from $commands" -k -a "(__fish_complete_suffix .png .jpg .jpeg .gif .bmp .tif .tiff .webp .pdf .pictproj)"
complete -c pictavo -n "__fish_seen_subcommand_from capture; and not __fish_seen_subcommand_from $modes" -a "$modes"
complete -c pictavo -n "__fish_seen_subcommand_from capture" -l delay -x -d 'Seconds to wait before capturing'
complete -c pictavo -n "__fish_seen_subcommand_from capture" -l output -r -F -d 'Write the capture to a file'
complete -c pictavo -n "__fish_seen_subcommand_from capture" -l clipboard -d 'Copy the capture to the clipboard'
complete -c pictavo -n "__fish_seen_subcommand_from capture" -l history -d 'Keep it in the capture history'
complete -c pictavo -n "__fish_seen_subcommand_from screen" -l all -d 'Every screen as one picture'
complete -c pictavo -n "__fish_seen_subcommand_from region" -l text -d 'Print the text in the region'
complete -c pictavo -n "__fish_seen_subcommand_from region text" -l lang -x -a "(__pictavo_languages)" -d 'Languages to read'
complete -c pictavo -n "__fish_seen_subcommand_from export" -l output -r -F -d 'The file to write'
complete -c pictavo -n "__fish_seen_subcommand_from export" -l scale -x -a "100 75 50 25" -d 'Size in percent'
complete -c pictavo -n "__fish_seen_subcommand_from export" -l redact -d 'Cover sensitive text with black boxes'
complete -c pictavo -n "__fish_seen_subcommand_from text" -l page -x -d 'PDF page'
complete -c pictavo -n "__fish_seen_subcommand_from export text" -k -a "(__fish_complete_suffix .png .jpg .jpeg .gif .bmp .tif .tiff .webp .pdf .pictproj)"
